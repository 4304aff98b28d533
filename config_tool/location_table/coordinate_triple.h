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

// Whether the triple can carry the cell's value: a number from 0 up to (not including) 256.
// A text with no number at its start counts as 0 and is carried.
bool canCarry(const QString &cellText);

// The three bytes for a cell the triple can carry. Degrees are the integer part cut off, not
// rounded; the decimals are rounded to four digits, so 12.99996 goes as 12, 0, 0.
Bytes encode(const QString &cellText);

// The cell text while a coordinate arrives. Byte 1 replaces the text with " 51." (numbers carry
// a leading blank), bytes 2 and 3 are appended with two digits each: " 45", "0 7". A byte is an
// int: hex characters outside "0"-"9", "A"-"F" give values outside 0 to 255, shown as they are.
QString withReceivedByte(const QString &cellText, int byteNumber, int byte);
// The cell text once all three bytes are in: blanks removed, an empty entry shown as "255".
QString completed(const QString &builtText);

// The first coordinate cell of the table that the triple cannot carry, in transfer order.
struct UncarriedCell
{
    int row = 0;
    int column = 0; // 1 latitude, 2 longitude
    QString id;
    QString text;
};
// cells: the table by running index, row * 3 + column (300 cells).
std::optional<UncarriedCell> firstUncarriedCell(const QStringList &cells);
// The prompt of the "Error" box that refuses the download.
QString refusalMessage(const UncarriedCell &cell);

} // namespace CoordinateTriple
