// The progress bar beside the status buttons, through every operation against the simulated
// unit behind COM1.
#include "support/main_window_bench.h"
#include "support/valid_configuration.h"

#include "configuration/setup1.h"
#include "table_sending_phase.h"
#include "unit_phases.h"

#include <QDir>
#include <QLabel>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QtTest>

namespace {
const char *const statusButtons[] = {"Command5",  "Command8",  "Command9",
                                     "Command11", "Command15", "Command16"};

QRect twipsRect(const QWidget &window, int left, int top, int width, int height)
{
    const int x = window.logicalDpiX();
    const int y = window.logicalDpiY();
    return QRect(GPStracking::twipsToPixels(left, x), GPStracking::twipsToPixels(top, y),
                 GPStracking::twipsToPixels(width, x), GPStracking::twipsToPixels(height, y));
}

struct Shown
{
    int value;
    int maximum;
    bool visible;
};
} // namespace

class TestProgress : public QObject
{
    Q_OBJECT
private slots:
    void barFollowsEveryTransfer_data()
    {
        QTest::addColumn<QString>("menuButton");
        QTest::addColumn<QString>("statusButton");
        QTest::addColumn<int>("maximum"); // 0: a busy bar
        QTest::newRow("configuration download") << "Command1"
                                                << "Command9" << 512;
        QTest::newRow("configuration upload") << "Command7"
                                              << "Command8" << 510;
        QTest::newRow("position log") << "Command10"
                                      << "Command11" << 0;
        QTest::newRow("table upload") << "Command13"
                                      << "Command16" << 1200;
        QTest::newRow("table download") << "Command14"
                                        << "Command15" << 600;
    }
    void barFollowsEveryTransfer()
    {
        QFETCH(QString, menuButton);
        QFETCH(QString, statusButton);
        QFETCH(int, maximum);
        QTemporaryDir directory; // the position log's file lands here
        QVERIFY(QDir::setCurrent(directory.path()));
        MainWindowBench bench;
        installUnitPhases(bench.unit);
        QVERIFY(bench.window.setup1()->setConfiguration(TestSupport::validConfiguration()));
        bench.window.show();

        auto *bar = bench.control<QProgressBar>("progressBar");
        QVERIFY(bar);
        QVERIFY(bar->isHidden());
        const QRect statusRect = twipsRect(bench.window, 2400, 720, 4935, 1695);
        // Below the status buttons, over the picture.
        QVERIFY(bar->geometry().top() > statusRect.bottom());
        QVERIFY(bench.control<QLabel>("Picture1")->geometry().contains(bar->geometry()));

        QList<Shown> values;
        connect(bar, &QProgressBar::valueChanged, bar, [&](int value) {
            values.append({value, bar->maximum(), !bar->isHidden()});
        });
        QPushButton *status = bench.button(qPrintable(statusButton));
        bool shownWithStatus = false;
        bool shownAlone = false;
        bool statusMoved = false;
        bench.whileRunning([&] {
            if (!bar->isHidden()) {
                shownWithStatus = shownWithStatus || !status->isHidden();
                shownAlone = shownAlone || status->isHidden();
            }
            statusMoved = statusMoved || status->geometry() != statusRect;
            return false;
        });

        bench.button(qPrintable(menuButton))->click();

        QVERIFY(!bench.timedOut);
        QCOMPARE(bench.boxes.shown.size(), 1);
        QCOMPARE(bench.boxes.shown.first().icon, MessageIcon::Information);
        QVERIFY(shownWithStatus);
        QVERIFY(!shownAlone);
        QVERIFY(bar->isHidden());
        QVERIFY(!values.isEmpty());
        for (const Shown &shown : values)
            QCOMPARE(shown.maximum, maximum);
        if (maximum > 0) {
            // The whole transfer, shown while the bar was up, and never more.
            QCOMPARE(values.last().value, maximum);
            QVERIFY(values.last().visible);
        }
        QVERIFY(!statusMoved);
        for (const char *name : statusButtons) {
            QCOMPARE(bench.button(name)->geometry(), statusRect);
            QVERIFY(bench.button(name)->isHidden());
        }
        QDir::setCurrent(QDir::tempPath());
    }

    // A unit that falls silent half way: the bar goes with the failure.
    void barHiddenAfterFailure()
    {
        MainWindowBench bench;
        installUnitPhases(bench.unit);
        dynamic_cast<TableSendingPhase *>(bench.unit.phase('C'))->setSilentAfter(300);
        auto *bar = bench.control<QProgressBar>("progressBar");
        int highest = -1;
        connect(bar, &QProgressBar::valueChanged, bar,
                [&](int value) { highest = qMax(highest, value); });

        bench.button("Command13")->click();

        QCOMPARE(bench.boxes.shown.size(), 1);
        QCOMPARE(bench.boxes.shown.first().icon, MessageIcon::Critical);
        QVERIFY2(highest > 0 && highest <= 300, qPrintable(QString::number(highest)));
        QVERIFY(bar->isHidden());
    }
};

QTEST_MAIN(TestProgress)
#include "test_progress.moc"
