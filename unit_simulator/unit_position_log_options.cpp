#include "unit_position_log_options.h"

#include "simulated_unit.h"
#include "unit_position_log.h"

#include <QCommandLineParser>

namespace {
constexpr char positions[] = "positions";
constexpr char positionsFile[] = "positions-file";
constexpr char silentAfter[] = "positions-silent-after";
constexpr char burst[] = "positions-burst";
constexpr int demoRecords = 36;

bool readCount(const QCommandLineParser &parser, const QString &name, int &value, QString &error)
{
    bool ok = false;
    value = parser.value(name).toInt(&ok);
    if (!ok || value < 0) {
        error = QStringLiteral("--%1 needs a whole number of 0 or more").arg(name);
        return false;
    }
    return true;
}
} // namespace

void addPositionLogOptions(QCommandLineParser &parser)
{
    parser.addOptions({
        {positions, QStringLiteral("Log n sample positions (--demo: %1).").arg(demoRecords),
         QStringLiteral("n")},
        {positionsFile, QStringLiteral("Log the records of a file, 38 characters a line."),
         QStringLiteral("path")},
        {silentAfter, QStringLiteral("Fall silent after k characters of the position log."),
         QStringLiteral("k")},
        {burst, QStringLiteral("Send character k of the position log together with the next."),
         QStringLiteral("k")},
    });
}

bool applyPositionLogOptions(const QCommandLineParser &parser, SimulatedUnit &unit, QString &error)
{
    auto *log = dynamic_cast<UnitPositionLog *>(unit.phase('L'));
    if (!log)
        return true;
    int value = 0;
    if (parser.isSet(QStringLiteral("demo")))
        log->setRecords(UnitPositionLog::sampleDrive(demoRecords));
    if (parser.isSet(positions)) {
        if (!readCount(parser, positions, value, error))
            return false;
        log->setRecords(UnitPositionLog::sampleDrive(value));
    }
    if (parser.isSet(positionsFile)) {
        const auto records = UnitPositionLog::readRecords(parser.value(positionsFile), error);
        if (!records)
            return false;
        log->setRecords(*records);
    }
    if (parser.isSet(silentAfter)) {
        if (!readCount(parser, silentAfter, value, error))
            return false;
        log->setSilentAfter(value);
    }
    if (parser.isSet(burst)) {
        if (!readCount(parser, burst, value, error))
            return false;
        log->setBurstAt(value);
    }
    return true;
}
