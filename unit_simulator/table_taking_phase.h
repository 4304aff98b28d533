#pragma once

#include "unit_location_table.h"
#include "unit_phase.h"

#include <memory>

// The unit's side of "O": it takes 600 bytes as hex pairs into its table, in order, and answers
// "N" after each pair. Bytes are stored as they come, so a transfer broken off leaves the table
// partly written.
class TableTakingPhase : public UnitPhase
{
public:
    explicit TableTakingPhase(std::shared_ptr<UnitLocationTable> table);

    // Fault: the unit stops answering (and taking) after this many pairs (negative: never).
    void setSilentAfter(int pairs) { m_silentAfter = pairs; }

    void begin(UnitLine &line) override;
    void receive(const QByteArray &characters, UnitLine &line) override;
    bool finished() const override { return m_taken >= UnitLocationTable::byteCount; }

    int taken() const { return m_taken; }
    UnitLocationTable &table() { return *m_table; }

private:
    std::shared_ptr<UnitLocationTable> m_table;
    QByteArray m_pair;
    int m_taken = 0;
    int m_silentAfter = -1;
};
