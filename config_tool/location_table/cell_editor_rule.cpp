#include "cell_editor_rule.h"

#include "common/numeric_value.h"
#include "coordinate_triple.h"

#include <cmath>

namespace CellEditorRule {

Outcome apply(const QString &typed)
{
    if (typed.isEmpty())
        return {true, CoordinateTriple::emptyText()};

    const qsizetype point = typed.indexOf(u'.');
    const bool decimalsFit = point < 0 || typed.size() - point - 1 < 5;
    // A value too large for a double is as invalid as 256.
    const std::optional<double> value = numericValue(typed);
    const bool magnitudeFits = value && std::abs(*value) < 256;
    if (decimalsFit && magnitudeFits)
        return {true, typed};
    return {false, CoordinateTriple::emptyText()};
}

} // namespace CellEditorRule
