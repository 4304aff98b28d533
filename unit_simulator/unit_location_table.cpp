#include "unit_location_table.h"

#include "simulated_unit.h"
#include "table_sending_phase.h"
#include "table_taking_phase.h"

UnitLocationTable::UnitLocationTable()
{
    for (int coordinate = 0; coordinate < byteCount / 3; ++coordinate)
        bytes.append("\xFF\x00\x00", 3);
}

void UnitLocationTable::setLocation(int entry, const Coordinate &latitude,
                                    const Coordinate &longitude)
{
    if (entry < 0 || entry >= byteCount / 6)
        return;
    for (int i = 0; i < 3; ++i) {
        bytes[entry * 6 + i] = static_cast<char>(latitude[i]);
        bytes[entry * 6 + 3 + i] = static_cast<char>(longitude[i]);
    }
}

std::shared_ptr<UnitLocationTable> installLocationTablePhases(SimulatedUnit &unit)
{
    auto table = std::make_shared<UnitLocationTable>();
    unit.addPhase('C', std::make_unique<TableSendingPhase>(table));
    unit.addPhase('O', std::make_unique<TableTakingPhase>(table));
    return table;
}
