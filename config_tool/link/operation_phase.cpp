#include "operation_phase.h"

OperationContext::OperationContext(SerialPort &port, TickClock &clock, StatusDisplay &status)
    : port(port), clock(clock), status(status)
{
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] {
        m_timerElapsed = true;
        wake();
    });
}

OperationContext::TickWait OperationContext::waitTicks(int ticks, std::function<bool()> done)
{
    return {*this, ticks, std::move(done)};
}

OperationContext::TimedWait OperationContext::waitAtMost(int ms, std::function<bool()> done)
{
    return {*this, ms, std::move(done)};
}

bool OperationContext::TickWait::await_ready()
{
    m_context.clock.setTickCount(0);
    return holds();
}

bool OperationContext::TickWait::holds()
{
    if (m_context.stopped())
        return true;
    if (m_done && m_done()) {
        m_held = true;
        return true;
    }
    return m_context.clock.tickCount() >= m_ticks;
}

bool OperationContext::TimedWait::await_ready()
{
    m_context.m_timerElapsed = false;
    m_context.m_timer.start(m_ms);
    return holds();
}

bool OperationContext::TimedWait::holds()
{
    if (m_context.stopped() || m_context.m_timerElapsed)
        return true;
    m_held = m_done && m_done();
    return m_held;
}

bool OperationContext::TimedWait::await_resume()
{
    m_context.m_timer.stop();
    return m_held;
}

void OperationContext::suspend(std::coroutine_handle<> step, std::function<bool()> condition)
{
    m_waiting = step;
    m_condition = std::move(condition);
}

void OperationContext::wake()
{
    // A wake during a resumption (a fault reported by a write) is seen by the next wait.
    if (m_resuming || !m_waiting || !m_condition())
        return;
    const std::coroutine_handle<> step = std::exchange(m_waiting, {});
    m_condition = {};
    m_resuming = true;
    step.resume();
    m_resuming = false;
    if (afterResume)
        afterResume();
}

bool OperationContext::readWaiting(QByteArray &buffer)
{
    if (port.bytesWaiting() <= 0)
        return false;
    buffer += port.readAll();
    return true;
}

PhaseOutcome OperationContext::finish(StatusItem transferStatus, PhaseOutcome outcome,
                                      std::optional<UserMessage> ending)
{
    status.endTransfer(transferStatus);
    message = stopped() ? std::nullopt : std::move(ending);
    return stopped() ? PhaseOutcome::Abort : outcome;
}
