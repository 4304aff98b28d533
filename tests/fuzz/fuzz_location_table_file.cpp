// The GPS location table file reader, on any content; a complete table written again reads
// back to the same cells when its texts can be carried by the format.
#include "config_tool/location_table/location_table_file.h"
#include "fuzz_support.h"

#include <QStringList>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const LocationTableFile::ReadResult result =
        LocationTableFile::read(FuzzSupport::bytes(data, size));
    FuzzSupport::require(result.rows.size() <= LocationTableFile::rowCount,
                         "never more than 100 rows");
    if (!result.complete())
        return 0;

    QStringList cells;
    bool carried = true;
    for (int row = 0; row < LocationTableFile::rowCount; ++row) {
        const LocationTableFile::Coordinates &coordinates = result.rows.at(row);
        cells << QString::number(row) << coordinates.latitude << coordinates.longitude;
        for (const QString &text : {coordinates.latitude, coordinates.longitude}) {
            if (text.contains(u'"') || text.contains(u'\r') || text.contains(u'\n'))
                carried = false;
        }
    }
    if (!carried)
        return 0;
    const LocationTableFile::ReadResult again =
        LocationTableFile::read(LocationTableFile::write(cells));
    FuzzSupport::require(again.complete(), "a written table reads back whole");
    for (int row = 0; row < LocationTableFile::rowCount; ++row) {
        FuzzSupport::require(again.rows.at(row).latitude == result.rows.at(row).latitude &&
                                 again.rows.at(row).longitude == result.rows.at(row).longitude,
                             "a written table reads back unchanged");
    }
    return 0;
}
