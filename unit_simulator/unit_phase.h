#pragma once

#include "unit_line.h"

#include <QByteArray>

// What the unit does after it has accepted an operation with "p": one class per operation
// letter ("L" positions, "U"/"D" configuration, "C"/"O" location table).
class UnitPhase
{
public:
    virtual ~UnitPhase() = default;
    // Called right after the "p"; the phase starts afresh (it may transmit at once).
    virtual void begin(UnitLine &line) = 0;
    // One arrival of characters from the PC while the phase runs. An arrival of a lone "O"
    // never reaches the phase: it abandons the phase and wakes the unit afresh.
    virtual void receive(const QByteArray &characters, UnitLine &line) = 0;
    // True once the phase has nothing more to do: the unit then sleeps until the next "O".
    virtual bool finished() const = 0;
    // The PC went away in the middle of the phase (silence or the line was closed).
    virtual void abandon() {}
};
