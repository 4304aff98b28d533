// The GPS location table file reader, on any content; a complete table written again reads
// back to the same cells when its texts can be carried by the format.
#include "config_tool/location_table/location_table_file.h"
#include "fuzz_support.h"

#include <QRegularExpression>
#include <QStringList>

VORT_FUZZ_TARGET
{
    const LocationTableFile::ReadResult result = LocationTableFile::read(input);
    FuzzSupport::require(result.rows.size() <= LocationTableFile::rowCount,
                         "never more than 100 rows");
    if (!result.complete())
        return;

    QStringList cells;
    for (int row = 0; row < LocationTableFile::rowCount; ++row)
        cells << QString::number(row) << result.rows.at(row).latitude
              << result.rows.at(row).longitude;
    // A quote or a line end in a text is more than the format can carry.
    static const QRegularExpression uncarried(QStringLiteral("[\"\r\n]"));
    if (!cells.filter(uncarried).isEmpty())
        return;
    const LocationTableFile::ReadResult again =
        LocationTableFile::read(LocationTableFile::write(cells));
    FuzzSupport::require(again.complete(), "a written table reads back whole");
    for (int row = 0; row < LocationTableFile::rowCount; ++row)
        FuzzSupport::require(again.rows.at(row).latitude == result.rows.at(row).latitude &&
                                 again.rows.at(row).longitude == result.rows.at(row).longitude,
                             "a written table reads back unchanged");
}
