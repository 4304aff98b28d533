#pragma once

#include "operation_phase.h"

#include <QLoggingCategory>
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
        Aborted,          // Command5 or Command11 was clicked
        Exited,           // EXIT (or a stop request) ended the run
    };
    Result result = Result::Success;
    std::optional<UserMessage> message;

    bool succeeded() const { return result == Result::Success; }
};

// runOperation: the exchange every operation starts with. It opens the port, wakes the unit
// with "O" until it answers "OK0" or "OK1" CR LF, names the operation, proves the password and,
// once the unit has accepted it with "p", hands over to the operation's phase.
class OperationEngine
{
public:
    // password gives the existingPassword text as it is at the moment it is sent.
    OperationEngine(SerialPort &port, TickClock &clock, StatusDisplay &status,
                    std::function<QString()> password);

    OperationContext &context() { return m_context; }
    const OperationContext &context() const { return m_context; }
    PhaseRegistry &phases() { return m_phases; }
    const PhaseRegistry &phases() const { return m_phases; }

    // Runs context().operationCode on COM(context().portIndex + 1). Returns when the run has
    // ended. A call while a run is in progress does nothing (Refused, no box).
    OperationOutcome runOperation();
    bool isRunning() const { return m_running; }

    // The click on Command5 or Command11.
    void requestAbort() { m_context.abortRequested = true; }
    // EXIT during a run: the run ends at its next wait and closes the port.
    void requestExit() { m_context.exitRequested = true; }

    static constexpr const char *openFailurePrompt =
        "COM: not available. Change the CommPort property to another port.";
    static constexpr const char *invalidPasswordPrompt = "Invalid Password";
    static constexpr const char *invalidPasswordTitle = "Password Invalid !";

private:
    // One function per step of the exchange; false ends the run.
    bool openPort();
    bool connectToUnit();
    bool sendOperationLetter();
    void sendPasswordAgain();
    bool awaitAcceptance();
    void prepareForPhase();
    OperationOutcome runPhase();

    void writePassword();
    // After EXIT was requested: closes the port and says the run is over.
    bool endedByExit();

    // The outcome of a run that ended before its phase.
    OperationOutcome endedEarly() const;

    OperationContext m_context;
    OperationOutcome::Result m_earlyEnd = OperationOutcome::Result::Aborted;
    PhaseRegistry m_phases;
    std::function<QString()> m_password;
    bool m_running = false;
};
