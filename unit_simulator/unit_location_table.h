#pragma once

#include <QByteArray>

#include <array>
#include <memory>

class SimulatedUnit;

// The unit's table of camera locations: 100 entries, each a latitude then a longitude of three
// bytes (degrees, decimals 1-2, decimals 3-4), 600 bytes in all. Degrees of 255 mark an entry
// that holds no location; a fresh unit has only such entries.
struct UnitLocationTable
{
    static constexpr int byteCount = 600;
    using Coordinate = std::array<quint8, 3>;

    UnitLocationTable();
    void setLocation(int entry, const Coordinate &latitude, const Coordinate &longitude);

    QByteArray bytes;
};

// Gives the unit its table and the two phases that move it: "C" sends it to the PC, "O" takes
// it from the PC. Returns the table both phases share.
std::shared_ptr<UnitLocationTable> installLocationTablePhases(SimulatedUnit &unit);
