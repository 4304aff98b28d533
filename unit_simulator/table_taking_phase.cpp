#include "table_taking_phase.h"

#include "common/hex_pair.h"

TableTakingPhase::TableTakingPhase(std::shared_ptr<UnitLocationTable> table)
    : m_table(std::move(table))
{
}

void TableTakingPhase::begin(UnitLine &)
{
    m_pair.clear();
    m_taken = 0;
}

void TableTakingPhase::receive(const QByteArray &characters, UnitLine &line)
{
    // A pair may come in one arrival or in two.
    for (char c : characters) {
        if (finished() || (m_silentAfter >= 0 && m_taken >= m_silentAfter))
            return;
        m_pair += c;
        if (m_pair.size() < 2)
            continue;
        const int byte = 16 * HexPair::digitValue(m_pair[0]) + HexPair::digitValue(m_pair[1]);
        m_pair.clear();
        m_table->bytes[m_taken++] = static_cast<char>(byte);
        line.transmit("N");
    }
}
