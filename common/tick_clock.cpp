#include "tick_clock.h"

#include <QCoreApplication>
#include <QEventLoop>

TickClock::TickClock(int intervalMs, Wrap wrap, QObject *parent) : QObject(parent), m_wrap(wrap)
{
    m_timer.setInterval(intervalMs);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &TickClock::tick);
    m_timer.start();
}

void TickClock::tick()
{
    if (m_wrap == Wrap::AtSixtyAfterIncrement) {
        ++m_tickCount;
        if (m_tickCount >= 60)
            m_tickCount = 0;
    } else {
        if (m_tickCount > 60)
            m_tickCount = 0;
        ++m_tickCount;
    }
    emit ticked();
}

void TickClock::waitUntil(const std::function<bool()> &done)
{
    while (!done()) {
        // Blocks until at least one event (timer, port, socket, input) has been handled.
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
}

bool TickClock::waitTicks(int ticks, const std::function<bool()> &done)
{
    m_tickCount = 0;
    bool held = false;
    waitUntil([&] {
        if (done && done()) {
            held = true;
            return true;
        }
        return m_tickCount >= ticks;
    });
    return held;
}

void TickClock::processPending()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}
