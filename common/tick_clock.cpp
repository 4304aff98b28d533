#include "tick_clock.h"

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
