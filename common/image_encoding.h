#pragma once

#include <QByteArray>
#include <QString>

#include <array>
#include <optional>

// The encodings of the unit's images, shared by vortsetup (configuration image from its screens)
// and Server (configuration image from a file, GPS image from a table file). Every encoder
// returns nullopt / false for a conversion failure: a value that does not round to a byte, an
// address without three ".", a text too long for its field, a number that overflows a double.
namespace ImageEncoding {

// The two readers of a setting's number differ in a few places; one piece of code serves both.
struct Variant
{
    // Server reads every number as a whole number first (halves to even) and computes with
    // that: 511.6 splits as 512 into 2, 0, and a speed is rounded before it becomes knots.
    // vortsetup computes with the exact value and rounds each byte at the end.
    bool roundValueFirst = false;
    // Server writes a coordinate without "." as an empty entry, 255 255 255; for vortsetup
    // such a text is a conversion failure.
    bool coordinateWithoutPointIsEmpty = false;
};
inline constexpr Variant toolVariant{false, false};
inline constexpr Variant serverVariant{true, true};

// Nearest whole number, a half to the even neighbour (2.5 -> 2, 3.5 -> 4, -0.5 -> 0).
double roundHalfEven(double value);

// The byte conversion: the value rounded (halves to even), nullopt outside 0 to 255.
std::optional<quint8> byteOf(double value);

// The lenient numeric value of a text, rounded first for the Server variant; nullopt when it
// does not fit a double.
std::optional<double> valueOf(const QString &text, Variant variant);

std::optional<quint8> byteNumber(const QString &text, Variant variant);

// High byte = byte of the whole part of value / 256 (cut toward zero), low byte = byte of
// value - 256 * high. 1000 -> 3, 232; 65535 -> 255, 255; 511.6 fails for vortsetup.
std::optional<std::array<quint8, 2>> sixteenBit(const QString &text, Variant variant);

// km/h on the screen, knots in the unit: byte of value / 1.852.
std::optional<quint8> speedKnots(const QString &kmh, Variant variant);

// A dotted address: the pieces between the first three "." (a "." ending a piece does not
// change its value), one byte each. Fewer than three "." fails.
std::optional<std::array<quint8, 4>> address(const QString &text, Variant variant);

// Degrees, decimal digits 1-2, decimal digits 3-4: 35.4567 -> 35, 45, 67; 35.123 -> 35, 12, 3.
std::optional<std::array<quint8, 3>> coordinateTriple(const QString &text, Variant variant);

// A list's selected index as one byte; -1 (no selection) fails.
std::optional<quint8> listByte(int index);

// A list index as a file holds it: a number on its own (blanks around it allowed), rounded to
// a whole number (halves to even). nullopt for anything else, e.g. an empty or a word field.
std::optional<int> wholeNumber(const QString &text);

// The text's characters, one byte each (Latin-1), from position; the rest of the field is left
// as it is. False, writing nothing, when the text is longer than width.
bool writeText(QByteArray &image, int position, int width, const QString &text);

// The base phone number from position 16, "#" right after it, then position 32 set to 0 (the
// "#" of a 16-character number gives way to it). False, writing nothing, above 16 characters.
bool writePhoneNumber(QByteArray &image, const QString &text);

// The text of a coordinate triple: degrees "." two digits two digits (5, 7, 5 -> "5.0705");
// "0.0000" for an empty entry (degrees 255).
QString coordinateText(quint8 degrees, quint8 digits12, quint8 digits34);

} // namespace ImageEncoding
