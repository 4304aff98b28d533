#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

// What a program run as a service tells its service manager (systemd, Type=notify), when the
// manager asked for it by setting NOTIFY_SOCKET: that it is ready, a status line, that it is
// still alive, and that it is stopping. The liveness pings (WATCHDOG=1) come from this
// thread's event loop at half the interval the manager set in WATCHDOG_USEC, so a loop that no
// longer turns stops them and the manager restarts the program. Built without libsystemd, it
// tells nothing.
class ServiceNotifier : public QObject
{
    Q_OBJECT
public:
    explicit ServiceNotifier(QObject *parent = nullptr);

    // READY=1: the program does its work now (its port listens).
    void ready();
    // STATUS=: one line, sent when it differs from the last one sent.
    void status(const QString &line);
    // STOPPING=1: a stop has begun; sent once.
    void stopping();

private:
    void notify(const QByteArray &state);

    QTimer m_watchdog;
    QString m_status;
    bool m_stopping = false;
};
