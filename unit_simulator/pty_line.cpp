#include "pty_line.h"

#include <QSocketNotifier>

#if defined(Q_OS_UNIX)
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>
#endif

PtyLine::PtyLine(QObject *parent) : QObject(parent) {}

PtyLine::~PtyLine()
{
#if defined(Q_OS_UNIX)
    if (m_device >= 0)
        ::close(m_device);
    if (m_master >= 0)
        ::close(m_master);
#endif
}

#if defined(Q_OS_UNIX)
bool PtyLine::open()
{
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (m_master < 0 || ::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0) {
        m_error = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    const char *name = ::ptsname(m_master);
    if (!name) {
        m_error = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    m_devicePath = QString::fromLocal8Bit(name);

    // Holding the device side open keeps the line up between the PC's openings (no hang-up on
    // the unit's side) and lets the unit make it a raw 8-bit line.
    m_device = ::open(name, O_RDWR | O_NOCTTY);
    if (m_device < 0) {
        m_error = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    termios raw{};
    if (::tcgetattr(m_device, &raw) == 0) {
        ::cfmakeraw(&raw);
        ::tcsetattr(m_device, TCSANOW, &raw);
    }
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);

    m_readNotifier = new QSocketNotifier(m_master, QSocketNotifier::Read, this);
    connect(m_readNotifier, &QSocketNotifier::activated, this, &PtyLine::readAvailable);
    m_writeNotifier = new QSocketNotifier(m_master, QSocketNotifier::Write, this);
    m_writeNotifier->setEnabled(false);
    connect(m_writeNotifier, &QSocketNotifier::activated, this, &PtyLine::writePending);
    return true;
}

void PtyLine::readAvailable()
{
    char buffer[4096];
    const ssize_t n = ::read(m_master, buffer, sizeof buffer);
    if (n > 0)
        emit received(QByteArray(buffer, static_cast<qsizetype>(n)));
}

void PtyLine::transmit(const QByteArray &characters)
{
    m_pending += characters;
    writePending();
}

void PtyLine::writePending()
{
    while (!m_pending.isEmpty()) {
        const ssize_t n = ::write(m_master, m_pending.constData(), m_pending.size());
        if (n <= 0)
            break;
        m_pending.remove(0, n);
    }
    if (m_writeNotifier)
        m_writeNotifier->setEnabled(!m_pending.isEmpty());
}
#else
bool PtyLine::open()
{
    m_error = QStringLiteral("pseudo-terminals are not available on this platform");
    return false;
}

void PtyLine::readAvailable() {}
void PtyLine::transmit(const QByteArray &) {}
void PtyLine::writePending() {}
#endif
