#pragma once

#include <QByteArray>

// A byte carried as text: two upper-case hexadecimal characters, high nibble first.
namespace HexPair {

// The character of a value 0 to 15: "0" to "9", "A" to "F".
char digit(int value);

// "1F" for 31, "00" for 0, "FF" for 255.
QByteArray encode(quint8 byte);

// All bytes of data as hex pairs, in order.
QByteArray encode(const QByteArray &data);

// The value of a received hex character as the unit's peers read it: its code minus 55 when
// the code is 65 ("A") or more, else its code minus 48. Only "0"-"9" and "A"-"F" give 0 to 15;
// any other character gives a value outside that range (never an error).
int digitValue(char c);

} // namespace HexPair
