#pragma once

#include "link/operation_phase.h"

class LocationCells;

// Operation 3, "C": reads the unit's table into the table at 38400 bit/s. The unit sends 1,200
// hex characters one at a time and each but the last is answered with "N"; the cells change
// in place as the bytes arrive. Eight ticks without a character end it with "Error upload !".
class TableUploadPhase : public OperationPhase
{
public:
    explicit TableUploadPhase(LocationCells &cells) : m_cells(cells) {}
    PhaseTask run(OperationContext &context) override;

private:
    LocationCells &m_cells;
};
