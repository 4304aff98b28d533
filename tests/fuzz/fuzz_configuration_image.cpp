// The unit's configuration image read onto a record, from any bytes the unit might send; the
// record it gives is then encoded again, which must not fail in a way other than refusing.
#include "config_tool/configuration/configuration_image.h"
#include "fuzz_support.h"

VORT_FUZZ_TARGET
{
    ConfigurationRecord record;
    decodeConfigurationImage(input, record);
    const std::optional<QByteArray> encoded = encodeConfigurationImage(record);
    if (!encoded)
        return;
    FuzzSupport::require(encoded->size() == 256, "an image is 256 bytes");
    // What encodes decodes to itself: the unit's styles are stable.
    ConfigurationRecord again = record;
    decodeConfigurationImage(*encoded, again);
    FuzzSupport::require(encodeConfigurationImage(again).has_value(),
                         "a decoded image encodes again");
}
