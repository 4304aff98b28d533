#include "link/operation.h"
#include "location_table/setup2.h"
#include "support/main_window_bench.h"
#include "table_sending_phase.h"
#include "table_taking_phase.h"
#include "unit_location_table.h"

#include <QProgressBar>
#include <QtTest>

namespace {
const ShownMessage uploaded{QStringLiteral("Upload succesful !"), QStringLiteral("Upload"),
                            MessageIcon::Information};
const ShownMessage uploadFailed{QStringLiteral("Error upload !"),
                                QStringLiteral("Invalid upload !"), MessageIcon::Critical};
const ShownMessage downloaded{QStringLiteral("Download succesful !"), QStringLiteral("Download"),
                              MessageIcon::Information};
const ShownMessage downloadFailed{QStringLiteral("Error download !"),
                                  QStringLiteral("Invalid download !"), MessageIcon::Critical};

struct ShowCounter : QObject
{
    bool eventFilter(QObject *, QEvent *event) override
    {
        shows += event->type() == QEvent::Show;
        return false;
    }
    int shows = 0;
};

// The main window with the unit's table phases behind COM1.
struct TableBench : MainWindowBench
{
    TableBench() : table(installLocationTablePhases(unit))
    {
        sending = dynamic_cast<TableSendingPhase *>(unit.phase('C'));
        taking = dynamic_cast<TableTakingPhase *>(unit.phase('O'));
        window.show();
    }
    Setup2 &grid() { return *window.setup2(); }
    // Runs an operation; true when its status button showed once and is hidden again.
    bool run(int code)
    {
        QWidget *status = control(code == 3 ? "Command16" : "Command15");
        ShowCounter counter;
        status->installEventFilter(&counter);
        window.startOperation(code);
        status->removeEventFilter(&counter);
        return counter.shows == 1 && status->isHidden();
    }
    // What the PC wrote once the unit had accepted the password (the phase writes no CR).
    QByteArray phaseWritten() const
    {
        const QByteArray all = port.written();
        return all.mid(all.lastIndexOf('\r') + 1);
    }

    std::shared_ptr<UnitLocationTable> table;
    TableSendingPhase *sending;
    TableTakingPhase *taking;
};
} // namespace

class TestTableTransfer : public QObject
{
    Q_OBJECT
private slots:
    void uploadsTheUnitsTableIntoTheGrid()
    {
        TableBench bench;
        bench.table->setLocation(0, {5, 7, 9}, {51, 45, 21});
        bench.table->setLocation(1, {255, 12, 34}, {0, 0, 0});
        bench.table->setLocation(99, {255, 99, 99}, {12, 50, 0});
        bench.grid().setCellText(2 * 3 + 1, QStringLiteral("old"));
        bench.grid().setCellText(3 * 10, QStringLiteral("ten"));

        QVERIFY(bench.run(Operation::uploadLocationTable));

        QCOMPARE(bench.boxes.shown, QList<ShownMessage>{uploaded});
        QCOMPARE(bench.grid().cellText(1), QStringLiteral("5.0709"));
        QCOMPARE(bench.grid().cellText(2), QStringLiteral("51.4521"));
        QCOMPARE(bench.grid().cellText(4), QStringLiteral("255"));
        QCOMPARE(bench.grid().cellText(5), QStringLiteral("0.0000"));
        QCOMPARE(bench.grid().cellText(7), QStringLiteral("255"));
        QCOMPARE(bench.grid().cellText(298), QStringLiteral("255"));
        QCOMPARE(bench.grid().cellText(299), QStringLiteral("12.5000"));
        QCOMPARE(bench.grid().cellText(30), QStringLiteral("ten")); // IDs stay
        // One "N" for every character but the last, at 38400 bit/s; the port is closed.
        QCOMPARE(bench.phaseWritten(), QByteArray(1199, 'N'));
        QCOMPARE(bench.port.settings(), QStringLiteral("38400,N,8,1"));
        QVERIFY(!bench.port.isOpen());
    }

    void downloadsTheGridIntoTheUnit()
    {
        TableBench bench;
        // Degrees cut off, decimals rounded as written; a word counts as 0.
        const QStringList texts{"255",     "12.5", "12.34567", "12.99996",
                                "51.4521", "abc",  "12.34565", "7.5N"};
        for (int i = 0; i < texts.size(); ++i)
            bench.grid().setCellText(1 + i + i / 2, texts[i]);
        bench.table->bytes.fill('\x11');
        // The decimal point is "." whatever the locale.
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));

        QVERIFY(bench.run(Operation::downloadLocationTable));
        QLocale::setDefault(QLocale::c());

        QCOMPARE(bench.boxes.shown, QList<ShownMessage>{downloaded});
        const QByteArray hex = bench.phaseWritten();
        QCOMPARE(hex.size(), 1200);
        QCOMPARE(hex.left(48), QByteArray("FF00000C32000C22390C0000332D150000000C2239073200"));
        // Every other coordinate is an empty entry, FF 00 00, now in the unit as well.
        QByteArray expected = UnitLocationTable().bytes;
        expected.replace(0, 24, QByteArray::fromHex(hex.left(48)));
        QCOMPARE(bench.table->bytes, expected);
        QCOMPARE(QByteArray::fromHex(hex), expected);
        QVERIFY(bench.taking->finished());
        QCOMPARE(bench.port.settings(), QStringLiteral("9600,N,8,1"));
        QVERIFY(!bench.port.isOpen());
    }

    void anUploadBrokenOffKeepsWhatArrived()
    {
        TableBench bench;
        bench.table->setLocation(0, {51, 45, 21}, {5, 7, 9});
        bench.sending->setSilentAfter(10);
        auto *bar = bench.control<QProgressBar>("progressBar");
        int highest = -1;
        connect(bar, &QProgressBar::valueChanged, bar,
                [&](int value) { highest = qMax(highest, value); });

        QVERIFY(bench.run(Operation::uploadLocationTable));

        QCOMPARE(bench.boxes.shown, QList<ShownMessage>{uploadFailed});
        // The progress bar showed what arrived and goes with the failure.
        QVERIFY2(highest > 0 && highest <= 10, qPrintable(QString::number(highest)));
        QVERIFY(bar->isHidden());
        QCOMPARE(bench.grid().cellText(1), QStringLiteral("51.4521"));
        // Two bytes of the longitude are in, as the cell showed them while they arrived.
        QCOMPARE(bench.grid().cellText(2), QStringLiteral(" 5.0 7"));
        QCOMPARE(bench.grid().cellText(4), QStringLiteral("255"));
        QVERIFY(bench.port.isOpen());
        QCOMPARE(bench.port.settings(), QStringLiteral("38400,N,8,1"));
    }

    void aDownloadBrokenOffLeavesThePortOpen()
    {
        TableBench bench;
        bench.grid().setCellText(1, QStringLiteral("51.4521"));
        bench.taking->setSilentAfter(4);

        QVERIFY(bench.run(Operation::downloadLocationTable));

        QCOMPARE(bench.boxes.shown, QList<ShownMessage>{downloadFailed});
        // The fifth pair went out and was never answered; nothing followed it.
        QCOMPARE(bench.phaseWritten(), QByteArray("332D15FF00"));
        QCOMPARE(bench.table->bytes.left(6), QByteArray::fromHex("332D15FF0000"));
        QVERIFY(bench.port.isOpen());
        QCOMPARE(bench.port.settings(), QStringLiteral("9600,N,8,1"));
        QCOMPARE(bench.grid().cellText(1), QStringLiteral("51.4521"));
    }

    void refusesACoordinateTheUnitCannotTake_data()
    {
        QTest::addColumn<int>("cell");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("prompt");
        QTest::newRow("negative")
            << 17 * 3 + 2 << "-4.25"
            << "Row 17 (ID 17): the longitude \"-4.25\" cannot be sent to the "
               "unit, which takes 0 to 255.9999 only. Nothing has been "
               "downloaded.";
        QTest::newRow("above 255") << 99 * 3 + 1 << "256"
                                   << "Row 99 (ID 99): the latitude \"256\"";
        QTest::newRow("just below 0") << 4 << "-0.0001"
                                      << "Row 1 (ID 1): the latitude";
    }
    void refusesACoordinateTheUnitCannotTake()
    {
        QFETCH(int, cell);
        QFETCH(QString, text);
        QFETCH(QString, prompt);
        TableBench bench;
        bench.grid().setCellText(cell, text);
        bench.grid().setCellText(299, QStringLiteral("300")); // only the first one is named

        bench.button("Command14")->click();

        QCOMPARE(bench.boxes.shown.size(), 1);
        QVERIFY(bench.boxes.shown[0].prompt.startsWith(prompt));
        QCOMPARE(bench.boxes.shown[0].title, QStringLiteral("Error"));
        QCOMPARE(bench.boxes.shown[0].icon, MessageIcon::Critical);
        QCOMPARE(bench.port.openCount(), 0);
        QCOMPARE(bench.port.written(), QByteArray());
        // The upload is not held back by the same cell.
        bench.boxes.shown.clear();
        bench.window.startOperation(Operation::uploadLocationTable);
        QCOMPARE(bench.boxes.shown, QList<ShownMessage>{uploaded});
        QCOMPARE(bench.grid().cellText(299), QStringLiteral("255"));
    }
};

QTEST_MAIN(TestTableTransfer)
#include "test_table_transfer.moc"
