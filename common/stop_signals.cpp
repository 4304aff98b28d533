#include "stop_signals.h"

#include <QSocketNotifier>

#if defined(Q_OS_WIN)
#include <QMetaObject>
#include <QPointer>
#include <windows.h>
#else
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>
#endif

#if defined(Q_OS_WIN)

namespace {
QPointer<StopSignals> instance;

// Runs on a thread of the system's own: hand the request over to the event loop.
BOOL WINAPI consoleEvent(DWORD)
{
    if (StopSignals *target = instance.data())
        QMetaObject::invokeMethod(target, "deliver", Qt::QueuedConnection);
    return TRUE;
}
} // namespace

StopSignals::StopSignals(QObject *parent) : QObject(parent)
{
    Q_ASSERT(!instance);
    instance = this;
    m_installed = SetConsoleCtrlHandler(consoleEvent, TRUE) != 0;
}

StopSignals::~StopSignals()
{
    SetConsoleCtrlHandler(consoleEvent, FALSE);
    instance = nullptr;
}

#else

namespace {
// The self-pipe: the handler writes one byte, the event loop reads it.
int pipeEnds[2] = {-1, -1};

extern "C" void noteSignal(int)
{
    const int savedErrno = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(pipeEnds[1], &byte, 1);
    errno = savedErrno;
}

bool makePipe()
{
    if (::pipe(pipeEnds) != 0)
        return false;
    for (const int end : pipeEnds) {
        ::fcntl(end, F_SETFL, ::fcntl(end, F_GETFL) | O_NONBLOCK);
        ::fcntl(end, F_SETFD, FD_CLOEXEC);
    }
    return true;
}

void closePipe()
{
    for (int &end : pipeEnds) {
        if (end >= 0)
            ::close(end);
        end = -1;
    }
}

bool handle(int signalNumber, void (*handler)(int))
{
    struct sigaction action = {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    return ::sigaction(signalNumber, &action, nullptr) == 0;
}
} // namespace

StopSignals::StopSignals(QObject *parent) : QObject(parent)
{
    Q_ASSERT(pipeEnds[0] < 0);
    if (!makePipe())
        return;
    m_notifier = new QSocketNotifier(pipeEnds[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &StopSignals::deliver);
    m_installed = handle(SIGINT, noteSignal) && handle(SIGTERM, noteSignal);
}

StopSignals::~StopSignals()
{
    handle(SIGINT, SIG_DFL);
    handle(SIGTERM, SIG_DFL);
    delete m_notifier;
    closePipe();
}

#endif

void StopSignals::deliver()
{
#if !defined(Q_OS_WIN)
    char bytes[16];
    ssize_t count = 0;
    while ((count = ::read(pipeEnds[0], bytes, sizeof bytes)) > 0) {
        for (ssize_t i = 0; i < count; ++i)
            emit stopRequested(++m_count);
    }
#else
    emit stopRequested(++m_count);
#endif
}
