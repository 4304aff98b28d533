#pragma once

#include <QObject>
#include <QTimer>

// The one-second counter of each program's main window (its Timer1). Every wait of the
// programs is "until a condition holds or N ticks pass": the exchange that waits resumes on
// ticked(), on arriving characters or datagrams and on clicks, so a silent peer costs no
// processor time and nothing blocks the event loop.
class TickClock : public QObject
{
    Q_OBJECT
public:
    // vortsetup adds one and wraps to 0 on reaching 60; Server and Quellix set the counter to 0
    // when it is above 60 and then add one.
    enum class Wrap { AtSixtyAfterIncrement, AboveSixtyBeforeIncrement };

    explicit TickClock(int intervalMs = 1000, Wrap wrap = Wrap::AtSixtyAfterIncrement,
                       QObject *parent = nullptr);

    int tickCount() const { return m_tickCount; }
    void setTickCount(int value) { m_tickCount = value; }
    int interval() const { return m_timer.interval(); }

    // The Timer1 handler; public so tests can step time by hand.
    void tick();

signals:
    void ticked();

private:
    QTimer m_timer;
    Wrap m_wrap;
    int m_tickCount = 0;
};
