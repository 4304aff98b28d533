#include "hex_pair.h"

namespace HexPair {

char digit(int value)
{
    return static_cast<char>(value < 10 ? '0' + value : 'A' + value - 10);
}

QByteArray encode(quint8 byte)
{
    QByteArray pair(2, '0');
    pair[0] = digit(byte >> 4);
    pair[1] = digit(byte & 0x0F);
    return pair;
}

QByteArray encode(const QByteArray &data)
{
    QByteArray text;
    text.reserve(data.size() * 2);
    for (char c : data)
        text += encode(static_cast<quint8>(c));
    return text;
}

int digitValue(char c)
{
    const int code = static_cast<unsigned char>(c);
    return code >= 65 ? code - 55 : code - 48;
}

} // namespace HexPair
