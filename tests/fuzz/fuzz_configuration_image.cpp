// The unit's configuration image read onto a record, from any bytes the unit might send; the
// record it gives is then encoded again, which must not fail in a way other than refusing.
#include "config_tool/configuration/configuration_image.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray image = FuzzSupport::bytes(data, size);
    ConfigurationRecord record;
    decodeConfigurationImage(image, record);
    if (const std::optional<QByteArray> encoded = encodeConfigurationImage(record)) {
        FuzzSupport::require(encoded->size() == 256, "an image is 256 bytes");
        // What encodes decodes to itself: the unit's styles are stable.
        ConfigurationRecord again = record;
        decodeConfigurationImage(*encoded, again);
        const std::optional<QByteArray> reencoded = encodeConfigurationImage(again);
        FuzzSupport::require(reencoded.has_value(), "a decoded image encodes again");
    }
    return 0;
}
