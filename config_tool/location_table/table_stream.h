#pragma once

#include <QByteArray>
#include <QStringList>

// The table as the unit takes it: for each row 0 to 99 the latitude triple then the longitude
// triple, 600 bytes. cells: the table by running index (300 cells); every coordinate must be one
// the triple can carry (see CoordinateTriple::firstUncarriedCell).
namespace TableStream {
inline constexpr int byteCount = 600;
QByteArray bytesOf(const QStringList &cells);
} // namespace TableStream
