#pragma once

// What the benchmark programs share: the rows of the one table they print, and the small
// measurements (medians, a floor program's figure, processor time and peak memory of a process).
#include <QString>
#include <QStringList>

#include <vector>

namespace Bench {

// One line of the table. measured and floor are in the same unit; the ratio is measured/floor.
struct Row
{
    QString name;
    double measured = 0;
    double floor = 0;
    QString unit;      // e.g. "us/char"
    QString floorName; // what the floor is
    QString target;    // the target as text, e.g. "<= 2x"
    bool met = false;
};

// Prints the row to stdout as one line of the Markdown table whose header scripts/bench.sh
// prints: | Row | Measured | Floor | Ratio | Target | Met |
void print(const Row &row);

// Number of repetitions and exchanges: the full run, or a short smoke pass with --quick.
struct Options
{
    bool quick = false;
    int idleSeconds = 10;
};
Options parseOptions(const QStringList &arguments);

double median(std::vector<double> values);
double minimum(const std::vector<double> &values);
// The database a --store location names, as the rows show it: "PostgreSQL" or "SQLite".
QString storeKind(const QString &location);

// Runs a floor program (a plain executable printing one number) and returns that number, or a
// negative value when it failed.
double runFloor(const QString &program, const QStringList &arguments);
// The bare UDP round trip of floor_udp (program) in us: bimodal on a virtual machine (its two
// processes on one processor or on two), so the best of several short runs; negative on failure.
double bestUdpRoundTrip(const QString &program, const Options &options);

// Processor time (user + system) a process has used so far, in seconds: /proc/<pid>/stat.
double processCpuSeconds(qint64 pid);
// This process's processor time so far, in seconds.
double ownCpuSeconds();
// Peak resident memory (VmHWM) of this process in kB.
long ownPeakResidentKb();

// CLOCK_MONOTONIC in nanoseconds: comparable between processes on this machine.
qint64 monotonicNs();

} // namespace Bench
