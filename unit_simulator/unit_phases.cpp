#include "unit_phases.h"

#include "simulated_unit.h"
#include "unit_configuration_phases.h"

void installUnitPhases(SimulatedUnit &unit)
{
    // unit.addPhase('L', std::make_unique<...>());
    installConfigurationPhases(unit); // "D" and "U"
}
