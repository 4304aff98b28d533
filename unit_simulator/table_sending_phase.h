#pragma once

#include "unit_location_table.h"
#include "unit_phase.h"

#include <QTimer>

#include <memory>

// The unit's side of "C": it sends its 600 table bytes as 1,200 hex characters, one at a time.
// The first goes out on its own a moment after the "p" (the PC switches to 38400 bit/s
// meanwhile); every further one only after the PC's "N" for the one before.
class TableSendingPhase : public UnitPhase
{
public:
    explicit TableSendingPhase(std::shared_ptr<const UnitLocationTable> table);

    // Fault: the unit falls silent after this many characters (negative: never).
    void setSilentAfter(int characters) { m_silentAfter = characters; }
    // How long after the "p" the first character goes out.
    void setFirstCharacterDelayMs(int ms) { m_firstCharacter.setInterval(ms); }

    void begin(UnitLine &line) override;
    void receive(const QByteArray &characters, UnitLine &line) override;
    bool finished() const override { return m_sent >= m_text.size() && !m_text.isEmpty(); }
    void abandon() override;

    int sent() const { return static_cast<int>(m_sent); }

private:
    void sendNext(UnitLine &line);

    std::shared_ptr<const UnitLocationTable> m_table;
    QByteArray m_text;
    qsizetype m_sent = 0;
    int m_silentAfter = -1;
    UnitLine *m_line = nullptr;
    QTimer m_firstCharacter;
};
