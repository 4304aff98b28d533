#include "table_stream.h"

#include "coordinate_triple.h"

namespace TableStream {

QByteArray bytesOf(const QStringList &cells)
{
    QByteArray stream;
    stream.reserve(byteCount);
    for (int row = 0; row < 100; ++row) {
        for (int column = 1; column <= 2; ++column) {
            for (quint8 byte : CoordinateTriple::encode(cells.value(row * 3 + column)))
                stream.append(static_cast<char>(byte));
        }
    }
    return stream;
}

} // namespace TableStream
