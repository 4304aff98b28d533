#pragma once

class SimulatedUnit;

// Gives the unit the phase of every operation letter it knows. Each operation's exchange adds
// its line here.
void installUnitPhases(SimulatedUnit &unit);
