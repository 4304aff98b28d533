#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>

// One latitude or longitude as the unit stores it: degrees, decimal digits 1-2, decimal digits
// 3-4, one byte each. A degrees byte of 255 marks an entry that holds no location.
namespace CoordinateTriple {

using Bytes = std::array<quint8, 3>;

inline constexpr quint8 emptyDegrees = 255;
// The cell text of an entry that holds no location.
QString emptyText();

// The three bytes for a cell from 0 to below 256 (anything else goes as 255, 0, 0). Degrees are the
// integer part cut off, not rounded; the decimals are rounded to four digits, so 12.99996 goes as
// 12, 0, 0.
Bytes encode(const QString &cellText);

// The cell text while a coordinate arrives. Byte 1 replaces the text with " 51." (numbers carry
// a leading blank), bytes 2 and 3 are appended with two digits each: " 45", "0 7". A byte is an
// int: hex characters outside "0"-"9", "A"-"F" give values outside 0 to 255, shown as they are.
QString withReceivedByte(const QString &cellText, int byteNumber, int byte);
// The cell text once all three bytes are in: blanks removed, an empty entry shown as "255".
QString completed(const QString &builtText);

} // namespace CoordinateTriple
