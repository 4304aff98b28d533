#pragma once

#include <QCommandLineOption>
#include <QList>

class QCommandLineParser;
class SimulatedUnit;

// vortsim's options for the location table phases "C" and "O" (installed by installUnitPhases).
namespace LocationTableOptions {
QList<QCommandLineOption> options();
// Sets the faults asked for; with --demo the table carries a few camera locations.
void apply(const QCommandLineParser &parser, SimulatedUnit &unit);
} // namespace LocationTableOptions
