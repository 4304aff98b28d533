#include "unit_phases.h"

#include "simulated_unit.h"
#include "unit_configuration_phases.h"
#include "unit_location_table.h"
#include "unit_position_log.h"

void installUnitPhases(SimulatedUnit &unit)
{
    unit.addPhase('L', std::make_unique<UnitPositionLog>());
    installLocationTablePhases(unit);
    installConfigurationPhases(unit); // "D" and "U"
}
