#include "bench_report.h"

#include <QFile>
#include <QProcess>

#include <algorithm>
#include <cstdio>
#include <ctime>

#include <sys/resource.h>
#include <unistd.h>

namespace Bench {

void print(const Row &row)
{
    const double ratio = row.floor > 0 ? row.measured / row.floor : 0;
    const auto figure = [](double value) {
        return QString::number(value, 'f', value < 10 ? 2 : 1);
    };
    const QString line =
        QStringLiteral("| %1 | %2 %3 | %4 %3 (%5) | %6 | %7 | %8 |")
            .arg(row.name, figure(row.measured), row.unit, figure(row.floor), row.floorName,
                 row.floor > 0 ? QString::number(ratio, 'f', 2) : QStringLiteral("-"), row.target,
                 row.met ? QStringLiteral("yes") : QStringLiteral("**no**"));
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
}

Options parseOptions(const QStringList &arguments)
{
    Options options;
    options.quick = arguments.contains(QStringLiteral("--quick"));
    const qsizetype idle = arguments.indexOf(QStringLiteral("--idle-seconds"));
    if (idle >= 0 && idle + 1 < arguments.size())
        options.idleSeconds = std::max(1, arguments.at(idle + 1).toInt());
    else if (options.quick)
        options.idleSeconds = 1;
    return options;
}

QString storeKind(const QString &location)
{
    return location.startsWith(QStringLiteral("postgresql:")) ? QStringLiteral("PostgreSQL")
                                                              : QStringLiteral("SQLite");
}

double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

double minimum(const std::vector<double> &values)
{
    return values.empty() ? 0 : *std::min_element(values.begin(), values.end());
}

double runFloor(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(program, arguments);
    if (!process.waitForFinished(120000) || process.exitCode() != 0)
        return -1;
    bool ok = false;
    const double value = process.readAllStandardOutput().trimmed().toDouble(&ok);
    return ok ? value : -1;
}

double processCpuSeconds(qint64 pid)
{
    QFile file(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray stat = file.readAll();
    // The fields after the command name, which is in parentheses and may hold blanks.
    const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
    // utime and stime are fields 14 and 15 of the whole line, 12 and 13 here (from 0).
    if (fields.size() < 13)
        return -1;
    const double ticks = fields.at(11).toDouble() + fields.at(12).toDouble();
    return ticks / static_cast<double>(sysconf(_SC_CLK_TCK));
}

double ownCpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + t.tv_nsec / 1e9;
}

long ownPeakResidentKb()
{
    QFile file(QStringLiteral("/proc/self/status"));
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : file.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    }
    return -1;
}

qint64 monotonicNs()
{
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<qint64>(t.tv_sec) * 1000000000LL + t.tv_nsec;
}

double bestUdpRoundTrip(const QString &program, const Options &options)
{
    std::vector<double> floors;
    const int runs = options.quick ? 2 : 7;
    floors.reserve(runs);
    for (int i = 0; i < runs; ++i)
        floors.push_back(runFloor(program, {QString::number(options.quick ? 1000 : 2000)}));
    return minimum(floors);
}

} // namespace Bench
