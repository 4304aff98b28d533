#pragma once

#include "common/tick_clock.h"
#include "message_box.h"
#include "serial_port.h"
#include "status_display.h"

#include <QByteArray>

#include <functional>
#include <optional>

// How a phase ended; the engine applies the port rules to it: closed after success, after
// abort, and after any end of the configuration download; left open after the other failures.
enum class PhaseOutcome { Success, Failure, Abort };

// What a run of the operation engine shares with the phase of its operation: the port, the
// clock, the status display and the run's state members.
struct OperationContext
{
    OperationContext(SerialPort &port, TickClock &clock, StatusDisplay &status)
        : port(port), clock(clock), status(status)
    {
    }

    SerialPort &port;
    TickClock &clock;
    StatusDisplay &status;

    int operationCode = 0; // the operation to run, 0 to 4 (Operation::Code)
    int portIndex = 0;     // 0-based index of the chosen COM port
    bool abortRequested = false;
    bool replyReceived = false;
    QByteArray replyBuffer;
    // Set when the user ends the program during a run: every wait ends at once, the phase
    // returns without a message and the engine closes the port.
    bool exitRequested = false;
    // The box the run ends with, for the face to show once the run is over.
    std::optional<UserMessage> message;

    // Sets tickCount to 0 and waits until done() holds or tickCount reaches ticks. Ends early
    // when EXIT is requested. Returns whether done() held.
    bool waitTicks(int ticks, const std::function<bool()> &done = {});
    // Waits, blocking on the event loop, until done() holds or EXIT is requested. done() sees
    // every arrival of characters, tick and click as it happens.
    void waitUntil(const std::function<bool()> &done);
    // Appends the waiting characters, if any, to buffer. Returns whether any were waiting.
    bool readWaiting(QByteArray &buffer);

    void show(StatusItem item) { status.setStatusVisible(item, true); }
    void hide(StatusItem item) { status.setStatusVisible(item, false); }

    // How every phase ends: its status button and progress go, then the box it ends with is
    // noted (none after EXIT).
    PhaseOutcome finish(StatusItem statusButton, PhaseOutcome outcome,
                        std::optional<UserMessage> ending = {});
};

// The operation's own exchange, run once the unit has accepted the password. At entry the port
// is open (at 9600 bit/s unless a failed run left another speed), Command5 is hidden,
// replyReceived is false, replyBuffer is empty and tickCount is 0. The phase shows its status
// button and ends through context.finish() with its success or failure box. When
// context.exitRequested is set it returns at once (Abort) without a box.
class OperationPhase
{
public:
    virtual ~OperationPhase() = default;
    virtual PhaseOutcome run(OperationContext &context) = 0;
};
