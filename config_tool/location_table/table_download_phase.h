#pragma once

#include "link/operation_phase.h"

#include <QStringList>

class LocationCells;

// Operation 4, "O": writes the table into the unit at 9600 bit/s, 200 coordinates as triples of
// hex pairs, each pair acknowledged by the unit with "N". No "N" within 8 ticks ends it with
// "Error download !". The table is never changed.
class TableDownloadPhase : public OperationPhase
{
public:
    explicit TableDownloadPhase(LocationCells &cells) : m_cells(cells) {}
    PhaseTask run(OperationContext &context) override;

    // Run before the operation starts: a coordinate that is no plain number of at most four
    // decimals from 0 to below 256 (a word, "51,5074", "256", "-4.25") would reach the unit as
    // garbage, so the download is refused with one "Error" box naming the row and the cell, as
    // a file's load refusal does, before the port is opened. cells: all 300 by running index.
    static std::optional<UserMessage> refusal(const QStringList &cells);

private:
    // Sends one byte as a hex pair and waits for the unit's "N". False when none came.
    static OperationTask<bool> sendAcknowledged(OperationContext &context, quint8 byte);

    LocationCells &m_cells;
};
