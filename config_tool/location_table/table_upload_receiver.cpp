#include "table_upload_receiver.h"

#include "common/hex_pair.h"
#include "coordinate_triple.h"

std::optional<TableUploadReceiver::CellUpdate> TableUploadReceiver::receive(char hexCharacter)
{
    if (finished())
        return std::nullopt;
    const int value = HexPair::digitValue(hexCharacter);
    if (m_highNibble) {
        m_byte = 16 * value;
        m_highNibble = false;
        return std::nullopt;
    }
    m_byte += value;
    m_highNibble = true;
    ++m_byteCount;
    m_text = CoordinateTriple::withReceivedByte(m_text, m_byteCount, m_byte);
    CellUpdate update{m_cell, m_text};
    if (m_byteCount == 3) {
        update.text = CoordinateTriple::completed(m_text);
        // Latitude then longitude; after the longitude skip the next row's ID cell.
        if (++m_coordinateCount == 2) {
            ++m_cell;
            m_coordinateCount = 0;
        }
        ++m_cell;
        m_byteCount = 0;
    }
    return update;
}
