#include "location_table_options.h"

#include "simulated_unit.h"
#include "table_sending_phase.h"
#include "table_taking_phase.h"

#include <QCommandLineParser>

namespace {
constexpr char uploadSilent[] = "table-upload-silent-after";
constexpr char downloadSilent[] = "table-download-silent-after";

int countOption(const QCommandLineParser &parser, const QString &name)
{
    bool ok = false;
    const int count = parser.value(name).toInt(&ok);
    return parser.isSet(name) && ok ? count : -1;
}
} // namespace

namespace LocationTableOptions {

QList<QCommandLineOption> options()
{
    return {
        {uploadSilent,
         QStringLiteral("Table upload (C): fall silent after this many hex characters."),
         QStringLiteral("characters")},
        {downloadSilent,
         QStringLiteral("Table download (O): stop answering \"N\" after this many pairs."),
         QStringLiteral("pairs")},
    };
}

void apply(const QCommandLineParser &parser, SimulatedUnit &unit)
{
    auto *sending = dynamic_cast<TableSendingPhase *>(unit.phase('C'));
    auto *taking = dynamic_cast<TableTakingPhase *>(unit.phase('O'));
    if (sending)
        sending->setSilentAfter(countOption(parser, uploadSilent));
    if (taking)
        taking->setSilentAfter(countOption(parser, downloadSilent));
    if (taking && parser.isSet(QStringLiteral("demo"))) {
        // Three speed cameras; the rest of the table is empty.
        UnitLocationTable &table = taking->table();
        table.setLocation(0, {51, 45, 21}, {5, 7, 9});
        table.setLocation(1, {48, 85, 66}, {2, 35, 22});
        table.setLocation(7, {52, 37, 2}, {4, 89, 51});
    }
}

} // namespace LocationTableOptions
