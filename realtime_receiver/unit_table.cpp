#include "unit_table.h"

#include "receiver_text.h"

QString UnitAddress::text() const
{
    return address.toString() + u':' + QString::number(port);
}

UnitState &UnitTable::heard(const UnitAddress &from, const QString &message, qint64 utcMs)
{
    auto it = m_units.find(from);
    if (it == m_units.end()) {
        m_order.push_back(from);
        it = m_units.insert(from, Entry{UnitState{}, std::prev(m_order.end())});
        it->state.from = from;
        it->state.addressText = from.address.toString();
    } else {
        m_order.splice(m_order.end(), m_order, it->position);
    }
    UnitState &unit = it->state;
    unit.identifier = ReceiverText::identifierOf(message);
    // Enough for the units view; a flood of large datagrams cannot fill the memory through it.
    unit.lastMessage = message.left(lastMessageKept);
    unit.lastUtcMs = utcMs;
    ++unit.messages;
    if (m_units.size() > m_cap)
        forgetOldestIdle();
    // The insertion above may have moved the entries; look the unit up again.
    return m_units.find(from)->state;
}

UnitState *UnitTable::find(const UnitAddress &from)
{
    const auto it = m_units.find(from);
    return it == m_units.end() ? nullptr : &it->state;
}

void UnitTable::forgetOldestIdle()
{
    while (m_units.size() > m_cap) {
        const auto oldest = m_units.constFind(m_order.front());
        if (oldest->state.answerPending)
            return;
        m_units.remove(m_order.front());
        m_order.pop_front();
    }
}
