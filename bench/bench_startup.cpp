// Start-up and memory: the time from starting a process to its main window being shown and
// painted, and its peak resident memory at that moment, for vortsetup, Server and Quellix against
// a bare Qt Widgets window built the same way. The programs run in turns, round after round, so a
// busy machine weighs on all of them alike; the best start-up of each (the run least disturbed
// by other work) and the median memory are reported.
#include "support/bench_report.h"

#include <QCoreApplication>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <cstdio>
#include <map>

namespace {
struct Program
{
    QString name;
    QString path;
    std::vector<double> startupMs;
    std::vector<double> peakMb;
};

// Starts the program and reads what its probe printed; false when it failed.
bool measure(Program &program)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    const qint64 started = Bench::monotonicNs();
    process.start(program.path, {});
    if (!process.waitForFinished(30000) || process.exitCode() != 0)
        return false;
    const QList<QByteArray> fields = process.readAllStandardOutput().trimmed().split(' ');
    if (fields.size() != 2)
        return false;
    program.startupMs.push_back((fields.at(0).toLongLong() - started) / 1e6);
    program.peakMb.push_back(fields.at(1).toDouble() / 1024.0);
    return true;
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const Bench::Options options = Bench::parseOptions(app.arguments());
    QTemporaryDir directory; // whatever a program might write stays out of the way
    QDir::setCurrent(directory.path());
    const int rounds = options.quick ? 2 : 10;

    std::vector<Program> programs = {
        {QStringLiteral("bare Qt window"), QStringLiteral(FLOOR_WINDOW_PATH), {}, {}},
        {QStringLiteral("vortsetup"), QStringLiteral(STARTUP_VORTSETUP_PATH), {}, {}},
        {QStringLiteral("Server"), QStringLiteral(STARTUP_SERVER_PATH), {}, {}},
        {QStringLiteral("Quellix"), QStringLiteral(STARTUP_QUELLIX_PATH), {}, {}},
    };
    // One round first that is not counted: it brings the libraries into the page cache.
    for (Program &program : programs) {
        Program warmUp = program;
        measure(warmUp);
    }
    for (int round = 0; round < rounds; ++round) {
        for (Program &program : programs) {
            if (!measure(program)) {
                std::fprintf(stderr, "bench_startup: %s failed\n", qPrintable(program.name));
                return 1;
            }
        }
    }

    const double floorMs = Bench::minimum(programs.front().startupMs);
    const double floorMb = Bench::median(programs.front().peakMb);
    for (size_t i = 1; i < programs.size(); ++i) {
        const double ms = Bench::minimum(programs[i].startupMs);
        Bench::print({QStringLiteral("Start-up to main window shown: ") + programs[i].name, ms,
                      floorMs, QStringLiteral("ms"), QStringLiteral("bare Qt window"),
                      QStringLiteral("<= 1.5x"), ms <= 1.5 * floorMs});
    }
    for (size_t i = 1; i < programs.size(); ++i) {
        const double mb = Bench::median(programs[i].peakMb);
        Bench::print({QStringLiteral("Peak resident memory: ") + programs[i].name, mb, floorMb,
                      QStringLiteral("MB"), QStringLiteral("bare Qt window"),
                      QStringLiteral("<= 1.5x"), mb <= 1.5 * floorMb});
    }
    return 0;
}
