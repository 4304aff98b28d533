#pragma once

#include <QObject>

class QSocketNotifier;

// The requests to stop a program that runs without a window: SIGINT (Ctrl+C) and SIGTERM (a
// service manager) on POSIX, the console's Ctrl+C, Ctrl+Break and close events on Windows. The
// handlers only note the request; it reaches the event loop as stopRequested(), so the program
// ends its work in its own time and order. One instance at a time; the default handling comes
// back when it is destroyed.
class StopSignals : public QObject
{
    Q_OBJECT
public:
    explicit StopSignals(QObject *parent = nullptr);
    ~StopSignals() override;

    // False when the handlers could not be installed.
    bool isInstalled() const { return m_installed; }

signals:
    // count: 1 for the first request, 2 for the second, and so on.
    void stopRequested(int count);

private:
    Q_INVOKABLE void deliver();

    bool m_installed = false;
    int m_count = 0;
    QSocketNotifier *m_notifier = nullptr;
};
