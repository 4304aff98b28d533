#include "image_encoding.h"

#include "configuration_image_layout.h"
#include "numeric_value.h"
#include "quoted_fields.h"

#include <QLocale>
#include <QRegularExpression>

#include <cmath>
#include <limits>

namespace ImageEncoding {

double roundHalfEven(double value)
{
    const double below = std::floor(value);
    const double fraction = value - below;
    if (fraction > 0.5)
        return below + 1;
    if (fraction < 0.5)
        return below;
    return std::fmod(below, 2.0) == 0 ? below : below + 1;
}

std::optional<quint8> byteOf(double value)
{
    const double rounded = roundHalfEven(value);
    if (!(rounded >= 0 && rounded <= 255))
        return std::nullopt;
    return static_cast<quint8>(rounded);
}

std::optional<double> valueOf(const QString &text, Variant variant)
{
    const std::optional<double> value = numericValue(text);
    if (!value)
        return std::nullopt;
    return variant.roundValueFirst ? roundHalfEven(*value) : *value;
}

std::optional<quint8> byteNumber(const QString &text, Variant variant)
{
    const std::optional<double> value = valueOf(text, variant);
    if (!value)
        return std::nullopt;
    return byteOf(*value);
}

std::optional<std::array<quint8, 2>> sixteenBit(const QString &text, Variant variant)
{
    const std::optional<double> value = valueOf(text, variant);
    if (!value)
        return std::nullopt;
    const std::optional<quint8> high = byteOf(std::trunc(*value / 256));
    if (!high)
        return std::nullopt;
    const std::optional<quint8> low = byteOf(*value - 256.0 * *high);
    if (!low)
        return std::nullopt;
    return std::array<quint8, 2>{*high, *low};
}

std::optional<quint8> speedKnots(const QString &kmh, Variant variant)
{
    const std::optional<double> value = valueOf(kmh, variant);
    if (!value)
        return std::nullopt;
    return byteOf(*value / 1.852);
}

std::optional<std::array<quint8, 4>> address(const QString &text, Variant variant)
{
    const qsizetype p1 = text.indexOf(u'.');
    const qsizetype p2 = p1 < 0 ? -1 : text.indexOf(u'.', p1 + 1);
    const qsizetype p3 = p2 < 0 ? -1 : text.indexOf(u'.', p2 + 1);
    if (p3 < 0)
        return std::nullopt;
    const QString pieces[4] = {text.left(p1), text.mid(p1 + 1, p2 - p1), text.mid(p2 + 1, p3 - p2),
                               text.mid(p3 + 1)};
    std::array<quint8, 4> bytes{};
    for (int i = 0; i < 4; ++i) {
        const std::optional<quint8> byte = byteNumber(pieces[i], variant);
        if (!byte)
            return std::nullopt;
        bytes[i] = *byte;
    }
    return bytes;
}

std::optional<std::array<quint8, 3>> coordinateTriple(const QString &text, Variant variant)
{
    const qsizetype point = text.indexOf(u'.');
    if (point < 0) {
        if (variant.coordinateWithoutPointIsEmpty)
            return std::array<quint8, 3>{0xFF, 0xFF, 0xFF};
        return std::nullopt;
    }
    const QString pieces[3] = {text.left(point), text.mid(point + 1, 2), text.mid(point + 3, 2)};
    std::array<quint8, 3> bytes{};
    for (int i = 0; i < 3; ++i) {
        const std::optional<quint8> byte = byteNumber(pieces[i], variant);
        if (!byte)
            return std::nullopt;
        bytes[i] = *byte;
    }
    return bytes;
}

std::optional<quint8> listByte(int index)
{
    if (index < 0 || index > 255)
        return std::nullopt;
    return static_cast<quint8>(index);
}

std::optional<int> wholeNumber(const QString &text)
{
    static const QRegularExpression number(
        QStringLiteral("^[ \\t]*[+-]?(\\d+\\.?\\d*|\\.\\d+)([eEdD][+-]?\\d+)?[ \\t]*$"));
    if (!number.match(text).hasMatch())
        return std::nullopt;
    QString plain = text.trimmed();
    plain.replace(u'd', u'e').replace(u'D', u'e');
    bool ok = false;
    const double value = roundHalfEven(QLocale::c().toDouble(plain, &ok));
    if (!ok || value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max())
        return std::nullopt;
    return static_cast<int>(value);
}

bool writeText(QByteArray &image, int position, int width, const QString &text)
{
    const QByteArray bytes = toSingleByte(text);
    if (bytes.size() > width || position + bytes.size() > image.size())
        return false;
    image.replace(position, bytes.size(), bytes);
    return true;
}

bool writePhoneNumber(QByteArray &image, const QString &text)
{
    namespace L = ConfigurationImageLayout;
    const QByteArray bytes = toSingleByte(text);
    if (bytes.size() > L::basePhoneNumberWidth || image.size() <= L::phoneNumberEnd)
        return false;
    image.replace(L::basePhoneNumber, bytes.size(), bytes);
    image[L::basePhoneNumber + bytes.size()] = '#';
    image[L::phoneNumberEnd] = 0;
    return true;
}

QString coordinateText(quint8 degrees, quint8 digits12, quint8 digits34)
{
    if (degrees == 0xFF)
        return QStringLiteral("0.0000");
    const auto twoDigits = [](quint8 n) {
        return n < 10 ? QStringLiteral("0") + QString::number(n) : QString::number(n);
    };
    return QString::number(degrees) + u'.' + twoDigits(digits12) + twoDigits(digits34);
}

} // namespace ImageEncoding
