#pragma once

#include <QObject>
#include <QTimer>

#include <functional>

// The one-second counter of each program's main window (its Timer1). Every wait of the
// programs is "until a condition holds or N ticks pass"; waitUntil() blocks on the event loop
// meanwhile, so a silent peer costs no processor time and an arriving character, datagram or
// click is handled the moment it comes in.
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

    // Processes events, sleeping until the next one, until done() returns true. done() runs
    // once before the first wait and again after every batch of events.
    static void waitUntil(const std::function<bool()> &done);

    // The usual wait: sets tickCount to 0, then waits until done() holds or tickCount reaches
    // ticks. Returns whether done() held.
    bool waitTicks(int ticks, const std::function<bool()> &done = {});

    // Processes pending events once without waiting (the "process events" step of a loop).
    static void processPending();

signals:
    void ticked();

private:
    QTimer m_timer;
    Wrap m_wrap;
    int m_tickCount = 0;
};
