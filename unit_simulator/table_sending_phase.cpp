#include "table_sending_phase.h"

#include "common/hex_pair.h"

TableSendingPhase::TableSendingPhase(std::shared_ptr<const UnitLocationTable> table)
    : m_table(std::move(table))
{
    m_firstCharacter.setSingleShot(true);
    m_firstCharacter.setInterval(250);
    QObject::connect(&m_firstCharacter, &QTimer::timeout, &m_firstCharacter, [this] {
        if (m_line)
            sendNext(*m_line);
    });
}

void TableSendingPhase::begin(UnitLine &line)
{
    m_text = HexPair::encode(m_table->bytes);
    m_sent = 0;
    m_line = &line;
    m_firstCharacter.start();
}

void TableSendingPhase::receive(const QByteArray &characters, UnitLine &line)
{
    // Each "N" asks for the next character; nothing is asked before the first is out.
    for (char c : characters) {
        if (c == 'N' && m_sent > 0)
            sendNext(line);
    }
}

void TableSendingPhase::sendNext(UnitLine &line)
{
    if (m_sent >= m_text.size() || (m_silentAfter >= 0 && m_sent >= m_silentAfter))
        return;
    line.transmit(m_text.mid(m_sent, 1));
    ++m_sent;
}

void TableSendingPhase::abandon()
{
    m_firstCharacter.stop();
    m_line = nullptr;
}
