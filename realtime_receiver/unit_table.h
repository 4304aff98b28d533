#pragma once

#include <QHash>
#include <QHostAddress>
#include <QString>

#include <list>

// Where a unit's datagrams come from: the address and port its answers go to.
struct UnitAddress
{
    QHostAddress address;
    quint16 port = 0;

    QString text() const;
    friend bool operator==(const UnitAddress &a, const UnitAddress &b)
    {
        return a.port == b.port && a.address == b.address;
    }
    friend size_t qHash(const UnitAddress &a, size_t seed = 0)
    {
        return qHashMulti(seed, a.address, a.port);
    }
};

inline constexpr int lastMessageKept = 200;

// What the receiver knows of one unit: what it last said and whether its answer is waiting out
// the pause.
struct UnitState
{
    UnitAddress from;
    QString addressText;  // from.address as text, made once: the store names it per datagram
    QString identifier;   // of its latest message
    QString lastMessage;  // its first lastMessageKept characters
    qint64 lastUtcMs = 0; // when its latest message came, ms since 1970 UTC
    quint64 messages = 0;
    bool answerPending = false;
    QString answerIdentifier; // of the first message of the pending answer
};

// The units heard, looked up by address and port, in the order they were last heard. Bounded:
// beyond the cap the unit heard longest ago is forgotten, unless its answer is still pending
// (then the table waits; every pending answer goes within one pause).
class UnitTable
{
public:
    explicit UnitTable(int cap = 10000) : m_cap(cap) {}

    // The unit's state after a message from it; it becomes the most recently heard.
    UnitState &heard(const UnitAddress &from, const QString &message, qint64 utcMs);
    UnitState *find(const UnitAddress &from);

    int size() const { return int(m_units.size()); }
    int cap() const { return m_cap; }

    // Visits the units, the most recently heard first, until visit returns false.
    template <class Visit> void newestFirst(Visit visit) const
    {
        for (auto it = m_order.rbegin(); it != m_order.rend(); ++it) {
            if (!visit(m_units.constFind(*it)->state))
                return;
        }
    }

private:
    struct Entry
    {
        UnitState state;
        std::list<UnitAddress>::iterator position;
    };
    void forgetOldestIdle();

    int m_cap;
    QHash<UnitAddress, Entry> m_units;
    std::list<UnitAddress> m_order; // least recently heard first
};
