#pragma once

#include <QString>

// What the in-place editor of the location grid stores when it closes. Only the decimals and the
// magnitude are tested: at most four decimals (everything after the first "."), and a numeric
// value below 256 either way. A text with no number at its start is taken as typed (its value is
// 0), negative values pass, and an emptied editor stores "255" (no location).
namespace CellEditorRule {

struct Outcome
{
    bool accepted = true; // false: "Invalid number" is shown and "255" stored
    QString stored;
};

Outcome apply(const QString &typed);

} // namespace CellEditorRule
