// The lenient numeric value of a text, on any text: single-byte and UTF-8 readings.
#include "common/numeric_value.h"
#include "fuzz_support.h"

#include <cmath>

VORT_FUZZ_TARGET
{
    for (const QString &text : {QString::fromLatin1(input), QString::fromUtf8(input)}) {
        const std::optional<double> value = numericValue(text);
        FuzzSupport::require(!value || !std::isnan(*value), "a value is never NaN");
        const double orValue = numericValueOr(text, -1.5);
        FuzzSupport::require(value ? orValue == *value : orValue == -1.5,
                             "numericValueOr agrees with numericValue");
    }
}
