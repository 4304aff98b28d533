#include "unit_phases.h"

#include "simulated_unit.h"

void installUnitPhases(SimulatedUnit &unit)
{
    // unit.addPhase('L', std::make_unique<...>());
    (void)unit;
}
