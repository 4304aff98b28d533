// The location table: its grid screen and its transfers from the main menu.
// Connections that capture locals by reference take a local scope object as their context,
// declared after what they capture, so they end first. clazy:excludeall=lambda-in-connect
#include "config_tool/test_files.h"
#include "link/operation.h"
#include "support/main_window_bench.h"
#include "support/recording_fakes.h"
#include "support/test_support.h"
#include "table_sending_phase.h"
#include "table_taking_phase.h"
#include "unit_location_table.h"
#include "windows/file_choice.h"
#include "windows/setup2.h"

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

namespace {
const ShownMessage invalidNumber{"Invalid number", "Error", MessageIcon::Critical};
const ShownMessage loadError{"Error loading file", "Error", MessageIcon::Critical};
const ShownMessage saved{"Configuration has been Saved", "Saved", MessageIcon::Information};
const ShownMessage saveError{"Error saving File !", "Error", MessageIcon::Critical};
const ShownMessage uploaded{"Upload succesful !", "Upload", MessageIcon::Information};
const ShownMessage uploadFailed{"Error upload !", "Invalid upload !", MessageIcon::Critical};
const ShownMessage downloaded{"Download succesful !", "Download", MessageIcon::Information};
const ShownMessage downloadFailed{"Error download !", "Invalid download !", MessageIcon::Critical};

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
    TableBench() : table(installLocationTablePhases(unit)) { window.show(); }
    Setup2 &grid() { return *window.setup2(); }
    // Runs an operation: the port's settings and whether it was left open; a status button that
    // did not show once, or still shows, is named too.
    QString run(int code)
    {
        QWidget *status = control(code == 3 ? "Command16" : "Command15");
        ShowCounter counter;
        status->installEventFilter(&counter);
        window.startOperation(code);
        awaitRun();
        status->removeEventFilter(&counter);
        const bool statusOnce = counter.shows == 1 && status->isHidden();
        return port.settings() + (port.isOpen() ? " open" : " closed") +
               (statusOnce ? "" : " " + status->objectName());
    }
    // What the PC wrote once the unit had accepted the password (the phase writes no CR).
    QByteArray phaseWritten() const
    {
        const QByteArray all = port.written();
        return all.mid(all.lastIndexOf('\r') + 1);
    }

    auto &sending() { return *dynamic_cast<TableSendingPhase *>(unit.phase('C')); }
    auto &taking() { return *dynamic_cast<TableTakingPhase *>(unit.phase('O')); }
    std::shared_ptr<UnitLocationTable> table;
};
} // namespace

class TestTableTransfer : public QObject
{
    Q_OBJECT

    RecordingMessageBoxes m_boxes;
    RecordingHelpViewer m_help;
    std::unique_ptr<Setup2> m_screen;
    QTemporaryDir m_dir;

    QTableWidget *grid() { return m_screen->grid(); } // MSFlexGrid1
    QLineEdit *txtEdit() { return m_screen->findChild<QLineEdit *>(QStringLiteral("txtEdit")); }
    QLineEdit *text1() { return m_screen->findChild<QLineEdit *>(QStringLiteral("Text1")); }
    void click(const char *button)
    {
        QTest::mouseClick(m_screen->findChild<QPushButton *>(QString::fromLatin1(button)),
                          Qt::LeftButton);
    }
    // Loads the file at the path as typed into Text1.
    void load(const QString &path)
    {
        text1()->setText(path);
        click("Command1");
    }
    QString cell(int row, int column) { return m_screen->cellText(row * 3 + column); }
    // The boxes shown since the last call.
    QList<ShownMessage> takeBoxes() { return std::exchange(m_boxes.shown, {}); }

    void clickCell(int row, int column)
    {
        QTableWidget *table = grid();
        const QModelIndex index = table->model()->index(row, column);
        table->scrollTo(index);
        QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, table->visualRect(index).center());
    }
    // Opens the editor on a cell and types into it, leaving it open.
    void typeInto(int row, int column, const QString &text)
    {
        clickCell(row, column);
        QVERIFY(txtEdit()->isVisible());
        QTest::keyClick(txtEdit(), Qt::Key_Delete);
        QTest::keyClicks(txtEdit(), text);
    }
    // The cell the editor stands over: it is placed over the cell it edits.
    QPoint editedCell()
    {
        const QPoint centre =
            grid()->viewport()->mapFrom(m_screen.get(), txtEdit()->geometry().center());
        const QModelIndex index = grid()->indexAt(centre);
        return {index.row(), index.column()};
    }

private slots:
    void init()
    {
        m_boxes.shown.clear();
        m_help.opened.clear();
        m_screen = std::make_unique<Setup2>(nullptr, &m_boxes, &m_help);
        m_screen->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_screen.get()));
    }
    void cleanup()
    {
        m_screen.reset();
        QCOMPARE(m_boxes.shown, QList<ShownMessage>{});
    }

    void opensTheEditorOverACoordinateCell()
    {
        QCOMPARE((QStringList{m_screen->windowTitle(), grid()->toolTip(),
                              m_screen->findChild<QLabel *>(QStringLiteral("Label1"))->text()}),
                 (QStringList{"GPS Location Table", "Click for Input",
                              "ID              Latitude    Longitude      "}));
        QVERIFY(grid()->rowHeight(0) >= txtEdit()->sizeHint().height());

        clickCell(7, 2);
        QVERIFY(txtEdit()->isVisible());
        QCOMPARE(txtEdit()->text(), QStringLiteral("255"));
        // The text is selected, so typing replaces "255" instead of adding to it.
        QCOMPARE(txtEdit()->selectedText(), QStringLiteral("255"));
        // Escape neither cancels the edit nor closes the screen.
        QTest::keyClick(txtEdit(), Qt::Key_Escape);
        QVERIFY(m_screen->isVisible());
        QVERIFY(txtEdit()->isVisible());
        const QRect cellRect = grid()->visualRect(grid()->model()->index(7, 2));
        QCOMPARE(
            txtEdit()->geometry(),
            QRect(grid()->viewport()->mapTo(m_screen.get(), cellRect.topLeft()), cellRect.size()));

        // The grey ID column opens nothing.
        clickCell(8, 0);
        QVERIFY(txtEdit()->isHidden());
        QVERIFY(!(grid()->item(8, 0)->flags() & Qt::ItemIsSelectable));
    }

    void anotherClickStoresTheEditFirst()
    {
        typeInto(0, 1, QStringLiteral("51.4521"));
        clickCell(0, 2);
        QCOMPARE(cell(0, 1), QStringLiteral("51.4521"));
        QCOMPARE(txtEdit()->text(), QStringLiteral("255"));

        // A refused edit shows its message before the button acts.
        const QString path = m_dir.filePath(QStringLiteral("edited.txt"));
        text1()->setText(path);
        QTest::keyClicks(txtEdit(), QStringLiteral("9.12345"));
        click("Command4");
        QCOMPARE(takeBoxes(), (QList<ShownMessage>{invalidNumber, saved}));
        QVERIFY(readFile(path).startsWith("\"0\",\"51.4521\",\"255\"\r\n"));

        typeInto(5, 1, QStringLiteral("1.5"));
        click("Command3");
        QCOMPARE(cell(5, 1), QStringLiteral("1.5"));
        QCOMPARE(m_help.opened, QStringList{QStringLiteral("info.txt")});

        typeInto(6, 1, QStringLiteral("2.5"));
        click("Command2");
        QCOMPARE(cell(6, 1), QStringLiteral("2.5"));
        QVERIFY(m_screen->isHidden());
    }

    // Key 0: the focus goes to another control. A refused edit shows its message, stores "255" and
    // moves on all the same. To (-1, -1): the editor closes.
    void keysStoreAndMoveOn()
    {
        const struct
        {
            const char *name;
            QPoint from;
            int key;
            const char *typed, *stored;
            QPoint to;
        } rows[] = {
            {"Tab to the longitude", {2, 1}, Qt::Key_Tab, "12.5", "12.5", {2, 2}},
            {"Enter to the next row", {2, 2}, Qt::Key_Return, "-3", "-3", {3, 1}},
            {"keypad Enter", {3, 1}, Qt::Key_Enter, "7", "7", {3, 2}},
            {"Shift+Tab back a row", {3, 1}, Qt::Key_Backtab, "", "255", {2, 2}},
            {"Tab into a row out of sight", {40, 2}, Qt::Key_Tab, "1", "1", {41, 1}},
            {"refused", {4, 1}, Qt::Key_Tab, "256", "255", {4, 2}},
            {"Tab past the last cell", {99, 2}, Qt::Key_Tab, "4.5", "4.5", {-1, -1}},
            {"Shift+Tab before the first", {0, 1}, Qt::Key_Backtab, "1", "1", {-1, -1}},
            {"four decimals", {3, 1}, 0, "51.4367", "51.4367", {-1, -1}},
            {"five decimals", {3, 1}, 0, "51.43675", "255", {-1, -1}},
            {"256", {3, 1}, 0, "256", "255", {-1, -1}},
            {"255.9", {3, 1}, 0, "255.9", "255.9", {-1, -1}},
            {"negative", {3, 1}, 0, "-12.5", "-12.5", {-1, -1}},
            {"emptied", {3, 1}, 0, "", "255", {-1, -1}},
            {"word", {3, 1}, 0, "north", "north", {-1, -1}},
        };
        for (const auto &row : rows) {
            init(); // a screen of its own for each row
            typeInto(row.from.x(), row.from.y(), row.typed);
            if (row.key)
                QTest::keyClick(txtEdit(), Qt::Key(row.key));
            else
                text1()->setFocus(Qt::TabFocusReason);
            // The row's name comes with what the cell holds.
            QCOMPARE(row.name + (": " + cell(row.from.x(), row.from.y())),
                     row.name + (": " + QString(row.stored)));
            const bool refused = *row.typed && qstrcmp(row.stored, row.typed) != 0;
            QCOMPARE(takeBoxes(),
                     refused ? QList<ShownMessage>{invalidNumber} : QList<ShownMessage>{});
            QVERIFY(m_screen->isVisible());
            if (row.to.x() < 0) {
                QVERIFY(txtEdit()->isHidden());
                continue;
            }
            QVERIFY(txtEdit()->isVisible());
            QVERIFY(txtEdit()->hasFocus());
            QCOMPARE(editedCell(), row.to);
            QCOMPARE(txtEdit()->selectedText(), cell(row.to.x(), row.to.y()));
            // What is typed next goes into that cell.
            QTest::keyClicks(txtEdit(), QStringLiteral("9.5"));
            QTest::keyClick(txtEdit(), Qt::Key_Tab);
            QCOMPARE(cell(row.to.x(), row.to.y()), QStringLiteral("9.5"));
        }
    }

    void roundTripsThroughAFile()
    {
        const QString path = m_dir.filePath(QStringLiteral("round.txt"));
        QVERIFY(writeFile(path, QByteArray(5000, 'x')));
        text1()->setText(path); // chosen in the lists in TestSetupScreens::fileListsShowNewFiles
        // The starting table, byte for byte, over a longer file.
        click("Command4");
        QCOMPARE(takeBoxes(), QList<ShownMessage>{saved});
        QCOMPARE(readFile(path), readFile(TestSupport::dataPath(
                                     QStringLiteral("location_table/startup_table.txt"))));

        m_screen->setCellText(1, QStringLiteral("51.4521"));
        m_screen->setCellText(2, QStringLiteral("-0.5"));
        m_screen->setCellText(299, QStringLiteral("-12.5"));
        const QStringList cells = m_screen->cells();
        click("Command4");
        QCOMPARE(takeBoxes(), QList<ShownMessage>{saved});
        m_screen->setStartingValues();
        click("Command1");
        QCOMPARE(m_screen->cells(), cells);
    }

    void loadsAndNeverTouchesTheIds()
    {
        m_screen->setCellText(3 * 10, QStringLiteral("ten"));
        load(TestSupport::dataPath(QStringLiteral("location_table/sample_table.txt")));
        // Unquoted numbers in their shortest form, quoted texts as they stand.
        QCOMPARE((QStringList{cell(0, 0), cell(0, 1), cell(1, 1), cell(1, 2), cell(3, 2),
                              cell(10, 0), cell(99, 1)}),
                 (QStringList{"0", "51.4521", "12.5", "-0.25", "200", "ten", "99.1234"}));
    }

    // The message names the first cell the grid would not take, after the file's name. Nothing of
    // the file reaches the grid, so nothing of it can be sent.
    void refusesCellsTheGridWouldNotTake()
    {
        // Row 3 of a table of 100 rows as the file has it, and what the message says of it.
        const struct
        {
            const char *row3, *named;
        } rows[] = {
            {R"("3","abc","2.5")", R"(row 3, latitude "abc" is not a number)"},
            {R"("3","1.5","")", R"(row 3, longitude "" is not a number)"},
            {R"("3","1,5","2.5")", R"(row 3, latitude "1,5" is not a number)"},
            {R"("3","12abc","2.5")", R"(row 3, latitude "12abc" is not a number)"},
            {R"("3","1.5","2.12345")", R"(row 3, longitude "2.12345" has more than four decimals)"},
            {R"("3",3e2,"2.5")", R"(row 3, latitude "300" is not below 256)"},
            // A configuration file chosen by mistake: its phone number is no coordinate.
            {nullptr, R"(row 0, longitude "+4412345678" is not below 256)"},
        };
        const QString path = m_dir.filePath(QStringLiteral("refused.txt"));
        m_screen->setCellText(3 * 3 + 1, QStringLiteral("7.5"));
        const QStringList before = m_screen->cells();
        for (const auto &row : rows) {
            QByteArray content = row.row3 ? "" : "\"V6.X\"\r\n0\r\n\"+4412345678\"\r\n\"30\"\r\n";
            for (int id = 0; row.row3 && id < 100; ++id)
                content += id == 3 ? row.row3 + QByteArray("\r\n")
                                   : "\"" + QByteArray::number(id) + "\",\"1.5\",\"2.5\"\r\n";
            QVERIFY(writeFile(path, content));
            load(path);
            QCOMPARE(takeBoxes(),
                     (QList<ShownMessage>{{"Error loading file: " + path + ", " + row.named,
                                           "Error", MessageIcon::Critical}}));
            QCOMPARE(m_screen->cells(), before);
        }
    }

    void aShortFileLoadsItsRowsThenFails()
    {
        QByteArray content;
        for (int row = 0; row < 99; ++row)
            content += "\"" + QByteArray::number(row) + "\",\"1." + QByteArray::number(row) +
                       "\",\"2\"\r\n";
        const QString path = m_dir.filePath(QStringLiteral("short.txt"));
        QVERIFY(writeFile(path, content));
        m_screen->setCellText(3 * 99 + 1, QStringLiteral("7.5"));
        load(path);
        QCOMPARE(takeBoxes(), QList<ShownMessage>{loadError});
        QCOMPARE(cell(98, 1), QStringLiteral("1.98"));
        QCOMPARE(cell(99, 1), QStringLiteral("7.5"));
    }

    void reportsFileFailures()
    {
        click("Command1");
        click("Command4");
        QCOMPARE(takeBoxes(), (QList<ShownMessage>{loadError, saveError}));

        const QString noDirectory = m_dir.filePath(QStringLiteral("nowhere/table.txt"));
        text1()->setText(noDirectory);
        click("Command4");
        QCOMPARE(takeBoxes(), QList<ShownMessage>{saveError});
        QVERIFY(!QFile::exists(noDirectory));
    }

    void uploadsTheUnitsTableIntoTheGrid()
    {
        TableBench bench;
        bench.table->setLocation(0, {5, 7, 9}, {51, 45, 21});
        bench.table->setLocation(1, {255, 12, 34}, {0, 0, 0});
        bench.table->setLocation(99, {255, 99, 99}, {12, 50, 0});
        bench.grid().setCellText(2 * 3 + 1, QStringLiteral("old"));
        bench.grid().setCellText(3 * 10, QStringLiteral("ten"));

        QCOMPARE(bench.run(Operation::uploadLocationTable), QStringLiteral("38400,N,8,1 closed"));

        QCOMPARE(bench.boxes.shown, QList<ShownMessage>{uploaded});
        const QStringList cells = bench.grid().cells();
        QCOMPARE(cells.mid(0, 8),
                 (QStringList{"0", "5.0709", "51.4521", "1", "255", "0.0000", "2", "255"}));
        QCOMPARE(cells.mid(298), (QStringList{"255", "12.5000"}));
        QCOMPARE(cells[30], QStringLiteral("ten")); // IDs stay
        // One "N" for every character but the last, at 38400 bit/s; the port is closed.
        QCOMPARE(bench.phaseWritten(), QByteArray(1199, 'N'));
    }

    void downloadsTheGridIntoTheUnit()
    {
        TableBench bench;
        // Each cell as three bytes: degrees, then decimals 1-2 and 3-4; "255" an empty entry.
        const QStringList texts{"255",     "12.5", "12.3456",  "0.0001",
                                "51.4521", "0",    "200.9999", "7.05"};
        for (int i = 0; i < texts.size(); ++i)
            bench.grid().setCellText(1 + i + i / 2, texts[i]);
        bench.table->bytes.fill('\x11');
        // The decimal point is "." whatever the locale.
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));

        QCOMPARE(bench.run(Operation::downloadLocationTable), QStringLiteral("9600,N,8,1 closed"));
        QLocale::setDefault(QLocale::c());

        QCOMPARE(bench.boxes.shown, QList<ShownMessage>{downloaded});
        // Every other coordinate is an empty entry, FF 00 00, now in the unit as well.
        QByteArray expected = UnitLocationTable().bytes;
        expected.replace(0, 24,
                         QByteArray::fromHex("FF00000C32000C2238000001332D15000000C86363070500"));
        QCOMPARE(bench.phaseWritten(), expected.toHex().toUpper());
        QCOMPARE(bench.table->bytes, expected);
        QVERIFY(bench.taking().finished());
    }

    void anUploadBrokenOffKeepsWhatArrived()
    {
        TableBench bench;
        bench.table->setLocation(0, {51, 45, 21}, {5, 7, 9});
        bench.sending().setSilentAfter(10);
        auto *bar = bench.control<QProgressBar>("progressBar");
        int highest = -1;
        QObject scope; // ends the connection before the value it fills
        connect(bar, &QProgressBar::valueChanged, &scope,
                [&](int value) { highest = qMax(highest, value); });

        QCOMPARE(bench.run(Operation::uploadLocationTable), QStringLiteral("38400,N,8,1 open"));

        QCOMPARE(bench.boxes.shown, QList<ShownMessage>{uploadFailed});
        // The progress bar showed what arrived and goes with the failure.
        QVERIFY2(highest > 0 && highest <= 10, qPrintable(QString::number(highest)));
        QVERIFY(bar->isHidden());
        // Two bytes of the longitude are in, as the cell showed them while they arrived.
        QCOMPARE(bench.grid().cells().mid(1, 4), (QStringList{"51.4521", " 5.0 7", "1", "255"}));
    }

    void aDownloadBrokenOffLeavesThePortOpen()
    {
        TableBench bench;
        bench.grid().setCellText(1, QStringLiteral("51.4521"));
        bench.taking().setSilentAfter(4);

        QCOMPARE(bench.run(Operation::downloadLocationTable), QStringLiteral("9600,N,8,1 open"));

        QCOMPARE(bench.boxes.shown, QList<ShownMessage>{downloadFailed});
        // The fifth pair went out and was never answered; nothing followed it.
        QCOMPARE(bench.phaseWritten(), QByteArray("332D15FF00"));
        QCOMPARE(bench.table->bytes.left(6), QByteArray::fromHex("332D15FF0000"));
        QCOMPARE(bench.grid().cellText(1), QStringLiteral("51.4521"));
    }

    // A cell the grid's editor let through as typed, or a negative one, would reach the unit as
    // garbage: nothing is sent, and the box names the first such cell as a file's load would.
    void refusesACoordinateTheUnitCannotTake()
    {
        // The cell, its text and what the message says of it.
        const std::tuple<int, QString, QString> rows[] = {
            {3 * 3 + 1, "abc", R"(row 3, latitude "abc" is not a number)"},
            {5 * 3 + 2, "51,5074", R"(row 5, longitude "51,5074" is not a number)"},
            {99 * 3 + 1, "256", R"(row 99, latitude "256" is not below 256)"},
            {2, "12.34567", R"(row 0, longitude "12.34567" has more than four decimals)"},
            {17 * 3 + 2, "", R"(row 17, longitude "" is not a number)"},
            {4, "-0.0001",
             R"(row 1, latitude "-0.0001" is negative (the unit takes 0 to 255.9999))"}};
        for (const auto &[cell, text, prompt] : rows) {
            TableBench bench;
            bench.grid().setCellText(cell, text);
            bench.grid().setCellText(299, QStringLiteral("300")); // only the first one is named

            bench.button("Command14")->click();

            QCOMPARE(bench.boxes.shown,
                     (QList<ShownMessage>{{"Nothing has been downloaded: " + prompt, "Error",
                                           MessageIcon::Critical}}));
            QCOMPARE(bench.port.openCount(), 0);
            QCOMPARE(bench.port.written(), QByteArray());
            // The upload is not held back by the same cell.
            bench.boxes.shown.clear();
            bench.window.startOperation(Operation::uploadLocationTable);
            QVERIFY(bench.awaitRun());
            QCOMPARE(bench.boxes.shown, QList<ShownMessage>{uploaded});
            QCOMPARE(bench.grid().cellText(299), QStringLiteral("255"));
        }
    }
};

QTEST_MAIN(TestTableTransfer)
#include "test_table_transfer.moc"
