#pragma once

#include <QString>

class QCommandLineParser;
class SimulatedUnit;

// vortsim's options for the position log: its records and its faults.
void addPositionLogOptions(QCommandLineParser &parser);
// Gives the unit's "L" phase the records and faults asked for (--demo brings a sample drive).
// False, with the reason, when an option cannot be used.
bool applyPositionLogOptions(const QCommandLineParser &parser, SimulatedUnit &unit, QString &error);
