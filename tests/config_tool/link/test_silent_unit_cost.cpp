#include "link/qt_serial_port.h"
#include "support/main_window_bench.h"
#include "support/vortsim_process.h"

#include <QElapsedTimer>
#include <QFile>
#include <QtTest>

#if defined(Q_OS_LINUX)
#include <sys/resource.h>
#include <unistd.h>
#endif

namespace {
#if defined(Q_OS_LINUX)
double ownCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// User and system time of another process, from /proc/<pid>/stat.
double processCpuSeconds(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray line = stat.readAll();
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    // After the name: state is field 3, utime 14 and stime 15 (1-based, /proc/<pid>/stat).
    return (fields.value(11).toDouble() + fields.value(12).toDouble()) / sysconf(_SC_CLK_TCK);
}
#endif
} // namespace

// Reports what waking a silent unit costs: vortsetup sends "O" once a second at the real tick
// to a vortsim that never answers, over a pseudo-terminal. The figure is printed; only a
// generous bound is checked.
class TestSilentUnitCost : public QObject
{
    Q_OBJECT
private slots:
    void wakingASilentUnitIsCheap()
    {
#if !defined(Q_OS_LINUX)
        QSKIP("measured with /proc");
#else
        const int seconds = qEnvironmentVariableIntValue("VORT_COST_SECONDS") > 0
                                ? qEnvironmentVariableIntValue("VORT_COST_SECONDS")
                                : 10;
        VortsimProcess unit({QStringLiteral("--silent")});
        QVERIFY(unit.start());
        QtSerialPort port(unit.comOne());
        RecordingMessageBoxes boxes;
        GPStracking window({&port, &boxes, nullptr, 1000});

        QElapsedTimer wall;
        double ownStart = 0;
        double unitStart = 0;
        QTimer::singleShot(0, &window, [&] {
            wall.start();
            ownStart = ownCpuSeconds();
            unitStart = processCpuSeconds(unit.processId());
        });
        QTimer::singleShot(seconds * 1000, &window, [&] {
            window.findChild<QPushButton *>(QStringLiteral("Command5"))->click();
        });
        window.startOperation(0);

        const double elapsed = wall.elapsed() / 1000.0;
        const double own = 100.0 * (ownCpuSeconds() - ownStart) / elapsed;
        const double sim = 100.0 * (processCpuSeconds(unit.processId()) - unitStart) / elapsed;
        qInfo("silent unit for %.1f s: vortsetup %.3f%% of one core, vortsim %.3f%%", elapsed, own,
              sim);
        QCOMPARE(boxes.shown, QList<ShownMessage>{});
        QVERIFY(!port.isOpen());
        QVERIFY(own < 25.0);
#endif
    }
};

QTEST_MAIN(TestSilentUnitCost)
#include "test_silent_unit_cost.moc"
