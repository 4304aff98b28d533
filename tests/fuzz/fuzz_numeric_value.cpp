// The lenient numeric value of a text, on any text: single-byte and UTF-8 readings.
#include "common/numeric_value.h"
#include "fuzz_support.h"

#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = FuzzSupport::bytes(data, size);
    for (const QString &text : {QString::fromLatin1(bytes), QString::fromUtf8(bytes)}) {
        const std::optional<double> value = numericValue(text);
        if (value)
            FuzzSupport::require(!std::isnan(*value), "a value is never NaN");
        const double orValue = numericValueOr(text, -1.5);
        FuzzSupport::require(value ? orValue == *value : orValue == -1.5,
                             "numericValueOr agrees with numericValue");
    }
    return 0;
}
