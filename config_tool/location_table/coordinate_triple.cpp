#include "coordinate_triple.h"

#include "common/numeric_value.h"

#include <cmath>

namespace CoordinateTriple {

QString emptyText()
{
    return QStringLiteral("255");
}

Bytes encode(const QString &cellText)
{
    const double value = numericValue(cellText).value_or(0);
    if (!(value >= 0 && value < 256))
        return {emptyDegrees, 0, 0};

    // Round the decimals the way the number reads, not the way the nearest double happens to
    // fall: 12.34565 goes up to 12.3457. Twelve decimals hold every digit a double keeps for a
    // value below 256; the rounding to four is then done on those digits.
    const QString digits = QString::number(value, 'f', 12);
    const qsizetype point = digits.indexOf(u'.');
    qint64 tenThousandths =
        digits.left(point).toLongLong() * 10000 + digits.mid(point + 1, 4).toLongLong();
    if (digits.at(point + 5) >= u'5')
        ++tenThousandths;
    const int decimals = static_cast<int>(tenThousandths % 10000);
    return {static_cast<quint8>(std::trunc(value)), static_cast<quint8>(decimals / 100),
            static_cast<quint8>(decimals % 100)};
}

QString withReceivedByte(const QString &cellText, int byteNumber, int byte)
{
    // Non-negative numbers are written with a leading blank where a sign would stand.
    const QString number = byte < 0 ? QString::number(byte) : u' ' + QString::number(byte);
    if (byteNumber == 1)
        return number + u'.';
    return cellText + (byte <= 9 ? QStringLiteral("0") : QString()) + number;
}

QString completed(const QString &builtText)
{
    QString text = builtText;
    text.remove(u' ');
    if (text.startsWith(emptyText()))
        return emptyText();
    return text;
}

} // namespace CoordinateTriple
