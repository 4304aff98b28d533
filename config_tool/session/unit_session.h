#pragma once

#include "common/tick_clock.h"
#include "configuration/configuration_model.h"
#include "link/operation_engine.h"
#include "link/status_display.h"
#include "location_table/location_table.h"

#include <QByteArray>
#include <QObject>
#include <QString>

// One technician's session with one unit, without any window: the serial port (MSComm1), the
// tick clock (Timer1), the operation engine with the five phases, the configuration, the table
// of camera locations, the last configuration image and the last position log. A face (the
// main window or the batch mode) starts operations and presents their outcomes; the session
// tells how a run is going through its signals.
class UnitSession : public QObject, private StatusDisplay
{
    Q_OBJECT
public:
    // The port stays the caller's and must outlive the session; tickMs is shorter only in tests.
    explicit UnitSession(SerialPort &port, int tickMs = 1000, QObject *parent = nullptr);
    ~UnitSession() override;

    SerialPort &port() { return m_port; }
    TickClock &clock() { return m_clock; }
    OperationEngine &engine() { return m_engine; }
    const OperationEngine &engine() const { return m_engine; }
    ConfigurationModel &configuration() { return m_configuration; }
    LocationTable &table() { return m_table; }
    // The 256-byte image that operation 1 sends and operation 0 fills.
    QByteArray &configurationImage() { return m_image; }
    // The CSV file of the latest position log upload (empty before the first) and its records.
    QString positionLogFile() const;
    int positionLogRecords() const;

    // 0-based index of the chosen COM entry.
    int portIndex() const { return m_engine.context().portIndex; }
    void setPortIndex(int index) { m_engine.context().portIndex = index; }
    bool isRunning() const { return m_engine.isRunning(); }

    // Starts one operation (Operation::Code) and returns at once; finished() tells how it
    // ended (before start() returns when it ends at once). The configuration download builds
    // its image first and the table download checks its coordinates first: a refusal starts
    // nothing (Refused, with its box). A call during a run does nothing and returns false.
    bool start(int operationCode);
    // Command5 or Command11: the run ends at its next wait, without a box.
    void requestAbort() { m_engine.requestAbort(); }
    // EXIT or a stop request: the run ends at once and closes the port, without a box.
    void requestExit() { m_engine.requestExit(); }

signals:
    void finished(const OperationOutcome &outcome);
    void statusChanged(StatusItem item, bool visible);
    void statusTextChanged(StatusItem item, const QString &text);
    // Characters, bytes or pairs of the transfer so far (maximum 0: not known).
    void progressChanged(int value, int maximum);
    void progressEnded();

private:
    void setStatusVisible(StatusItem item, bool visible) override;
    void setStatusText(StatusItem item, const QString &text) override;
    void setProgress(int value, int maximum) override;
    void hideProgress() override;

    SerialPort &m_port;
    TickClock m_clock;
    ConfigurationModel m_configuration;
    LocationTable m_table;
    QByteArray m_image;
    OperationEngine m_engine;
};
