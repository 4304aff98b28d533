#pragma once

#include "common/tick_clock.h"
#include "common/user_message.h"
#include "operation_task.h"
#include "serial_port.h"
#include "status_display.h"

#include <QByteArray>
#include <QTimer>

#include <coroutine>
#include <functional>
#include <optional>

// How a phase ended; the engine applies the port rules to it: closed after success, after
// abort, and after any end of the configuration download; left open after the other failures.
enum class PhaseOutcome { Success, Failure, Abort };

using PhaseTask = OperationTask<PhaseOutcome>;

// What a run of the operation engine shares with the phase of its operation: the port, the
// clock, the status display, the run's state members and its waits. Each wait suspends the
// step that awaits it; wake() resumes it when its condition holds.
struct OperationContext
{
    OperationContext(SerialPort &port, TickClock &clock, StatusDisplay &status);

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
    // Set when the port reported a fault (the device went away): as EXIT, every wait ends at
    // once and the phase returns without a message; the engine then tells of the lost device.
    bool portLost = false;
    // The box the run ends with, for the face to show once the run is over.
    std::optional<UserMessage> message;

    // EXIT or a lost port: the run is to end now.
    bool stopped() const { return exitRequested || portLost; }

    // co_await waitTicks(n, done): sets tickCount to 0 and waits until done() holds or tickCount
    // reaches n. Ends early when the run is stopped. Gives whether done() held.
    class TickWait;
    TickWait waitTicks(int ticks, std::function<bool()> done = {});
    // co_await waitAtMost(ms, done): waits until done() holds or ms milliseconds have passed.
    // Ends early when the run is stopped. Gives whether done() held.
    class TimedWait;
    TimedWait waitAtMost(int ms, std::function<bool()> done = {});
    // Appends the waiting characters, if any, to buffer. Returns whether any were waiting.
    bool readWaiting(QByteArray &buffer);

    // Something happened that may end the wait in progress (characters, a tick, a click, a
    // fault, a timer): resumes the waiting step if its condition now holds.
    void wake();
    // Called after every resumption, once the steps have waited again or ended.
    std::function<void()> afterResume;

    void show(StatusItem item) { status.setStatusVisible(item, true); }
    void hide(StatusItem item) { status.setStatusVisible(item, false); }

    // How every phase ends: its status button and progress go, then the box it ends with is
    // noted (none after EXIT or a lost port).
    PhaseOutcome finish(StatusItem transferStatus, PhaseOutcome outcome,
                        std::optional<UserMessage> ending = {});

private:
    void suspend(std::coroutine_handle<> step, std::function<bool()> condition);

    std::coroutine_handle<> m_waiting;
    std::function<bool()> m_condition;
    bool m_resuming = false;
    QTimer m_timer; // the timed wait's limit
    bool m_timerElapsed = false;
};

class OperationContext::TickWait
{
public:
    TickWait(OperationContext &context, int ticks, std::function<bool()> done)
        : m_context(context), m_ticks(ticks), m_done(std::move(done))
    {
    }
    bool await_ready();
    void await_suspend(std::coroutine_handle<> step)
    {
        m_context.suspend(step, [this] { return holds(); });
    }
    bool await_resume() const { return m_held; }

private:
    bool holds();
    OperationContext &m_context;
    int m_ticks;
    std::function<bool()> m_done;
    bool m_held = false;
};

class OperationContext::TimedWait
{
public:
    TimedWait(OperationContext &context, int ms, std::function<bool()> done)
        : m_context(context), m_ms(ms), m_done(std::move(done))
    {
    }
    bool await_ready();
    void await_suspend(std::coroutine_handle<> step)
    {
        m_context.suspend(step, [this] { return holds(); });
    }
    bool await_resume();

private:
    bool holds();
    OperationContext &m_context;
    int m_ms;
    std::function<bool()> m_done;
    bool m_held = false;
};

// The operation's own exchange, run once the unit has accepted the password. At entry the port
// is open (at 9600 bit/s unless a failed run left another speed), the connecting status is hidden,
// replyReceived is false, replyBuffer is empty and tickCount is 0. The phase shows its status
// button and ends through context.finish() with its success or failure box. When the run is
// stopped (EXIT, a lost port) it returns at once (Abort) without a box.
class OperationPhase
{
public:
    virtual ~OperationPhase() = default;
    virtual PhaseTask run(OperationContext &context) = 0;
};
