#include "service_notifier.h"

#include <chrono>

#if defined(VORT_HAVE_SYSTEMD)
#include <systemd/sd-daemon.h>
#endif

ServiceNotifier::ServiceNotifier(QObject *parent) : QObject(parent)
{
#if defined(VORT_HAVE_SYSTEMD)
    // WATCHDOG_USEC (and WATCHDOG_PID, when set, naming this process).
    uint64_t usec = 0;
    if (sd_watchdog_enabled(0, &usec) > 0 && usec > 0) {
        m_watchdog.setTimerType(Qt::PreciseTimer);
        m_watchdog.setInterval(std::chrono::milliseconds(qMax<uint64_t>(1, usec / 2000)));
        connect(&m_watchdog, &QTimer::timeout, this, [this] { notify("WATCHDOG=1"); });
        m_watchdog.start();
    }
#endif
}

void ServiceNotifier::ready()
{
    notify("READY=1");
}

void ServiceNotifier::status(const QString &line)
{
    if (line == m_status)
        return;
    m_status = line;
    notify("STATUS=" + line.toUtf8());
}

void ServiceNotifier::stopping()
{
    if (m_stopping)
        return;
    m_stopping = true;
    notify("STOPPING=1");
}

void ServiceNotifier::notify(const QByteArray &state)
{
#if defined(VORT_HAVE_SYSTEMD)
    // Without NOTIFY_SOCKET this does nothing; a manager that has gone away is no error here.
    sd_notify(0, state.constData());
#else
    Q_UNUSED(state);
#endif
}
