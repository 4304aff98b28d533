#pragma once

#include <QString>

#include <optional>

// The lenient numeric value of a setting's text, the way the unit's tools have always read
// numbers: blanks, tabs and line feeds are skipped wherever they stand; then an optional sign,
// digits, at most one "." (a "," ends the number), an optional exponent (E or D in either case,
// optional sign, digits). "&H" / "&O" (either case) start a hexadecimal / octal whole number.
// A text with no number at its start, the empty text included, is 0.
// nullopt when the number does not fit a double (overflow).
std::optional<double> numericValue(const QString &text);

// The same, with overflow read as a run-time failure the caller must handle; convenience for
// code that has already established the text is sane.
double numericValueOr(const QString &text, double fallback);
