#pragma once

#include "operation_phase.h"

#include <QLoggingCategory>
#include <QObject>
#include <QString>

#include <map>
#include <memory>

// vortsetup's own warnings (why a port did not open), apart from Qt's.
Q_DECLARE_LOGGING_CATEGORY(vortsetupLog)

// The phases of the operations, by operationCode.
class PhaseRegistry
{
public:
    // Installs (or replaces) the phase of an operation.
    void add(int operationCode, std::unique_ptr<OperationPhase> phase);
    OperationPhase *find(int operationCode) const;

private:
    std::map<int, std::unique_ptr<OperationPhase>> m_phases;
};

// How a run ended, for a face to present: what happened and the box that belongs to it.
struct OperationOutcome
{
    enum class Result {
        Success,
        Refused,          // the check before the run refused what was to be sent
        PortNotAvailable, // the COM port could not be opened
        InvalidPassword,  // the unit did not accept the password
        Failed,           // the exchange with the unit failed
        Aborted,          // the user gave up (while connecting, or during the position log)
        Exited,           // EXIT (or a stop request) ended the run
        PortLost,         // the port reported a fault: the serial device went away
    };
    Result result = Result::Success;
    std::optional<UserMessage> message;

    bool succeeded() const { return result == Result::Success; }
};

// The exchange every operation starts with. It opens the port, wakes the unit with "O" until it
// answers "OK0" or "OK1" CR LF, names the operation, proves the password and, once the unit has
// accepted it with "p", hands over to the operation's phase. A run never blocks: start()
// returns at once and finished() tells how the run ended. A fault of the port ends the run at
// once (PortLost) with the port closed.
class OperationEngine : public QObject
{
    Q_OBJECT
public:
    // password gives the existingPassword text as it is at the moment it is sent.
    OperationEngine(SerialPort &port, TickClock &clock, StatusDisplay &status,
                    std::function<QString()> password, QObject *parent = nullptr);
    ~OperationEngine() override;

    OperationContext &context() { return m_context; }
    const OperationContext &context() const { return m_context; }
    PhaseRegistry &phases() { return m_phases; }
    const PhaseRegistry &phases() const { return m_phases; }

    // Starts context().operationCode on COM(context().portIndex + 1) and returns; finished()
    // comes when the run has ended (before start() returns when it ends at once). False, and
    // nothing started, while a run is in progress.
    bool start();
    bool isRunning() const { return m_running; }

    // The user gives up the run (while connecting, or during the position log).
    void requestAbort();
    // EXIT during a run: the run ends at once and closes the port; finished() comes before
    // this returns.
    void requestExit();

    static constexpr const char *openFailurePrompt =
        "COM: not available. Change the CommPort property to another port.";
    static constexpr const char *invalidPasswordPrompt = "Invalid Password";
    static constexpr const char *invalidPasswordTitle = "Password Invalid !";
    // The box of a run ended by a fault of the port: the device, its COM entry and the reason.
    static UserMessage portLostMessage(const QString &device, int portNumber,
                                       const QString &reason);

signals:
    void finished(const OperationOutcome &outcome);

private:
    OperationTask<OperationOutcome> run();
    // One step of the exchange each; false ends the run.
    bool openPort();
    OperationTask<bool> connectToUnit();
    OperationTask<bool> sendOperationLetter();
    void sendPasswordAgain();
    OperationTask<bool> awaitAcceptance();
    void prepareForPhase();
    OperationTask<OperationOutcome> runPhase();

    void writePassword();
    // After EXIT or a fault of the port: closes the port and says the run is over.
    bool endedByStop();
    // The outcome of a run that ended before its phase, or was stopped.
    OperationOutcome endedEarly() const;
    void portFaulted(const QString &reason);
    // After every resumption: a run that has ended says so.
    void reportIfEnded();

    OperationContext m_context;
    OperationOutcome::Result m_earlyEnd = OperationOutcome::Result::Aborted;
    PhaseRegistry m_phases;
    std::function<QString()> m_password;
    OperationTask<OperationOutcome> m_run;
    QString m_faultReason;
    bool m_running = false;
};
