#pragma once

#include "operation_phase.h"

#include <QString>

#include <functional>

class QDateTime;

// uploadLocations: reads the unit's whole position log at 38400 bit/s into a new CSV file in the
// working directory, counting the records (PositionCount) as they complete. The unit sends each
// record one character at a time, waiting for "N" after each of the first 37 characters and for
// "1" after the record; "E" instead of a record ends the log. requestAbort() ends the upload.
class PositionLogUpload : public OperationPhase
{
public:
    // clock gives the moment the file is named after (the current local time by default).
    explicit PositionLogUpload(std::function<QDateTime()> clock = {});

    PhaseTask run(OperationContext &context) override;

    // The file the latest upload wrote to (the main window's logFileName).
    QString logFileName() const { return m_logFileName; }
    // The records the latest upload wrote.
    int recordCount() const { return m_recordCount; }

    static constexpr int silenceTicks = 8;

private:
    std::function<QDateTime()> m_now;
    QString m_logFileName;
    int m_recordCount = 0;
};
