#include "qt_serial_port.h"

#include "line_settings.h"

#if defined(Q_OS_UNIX)
#include <cerrno>
#include <poll.h>
#include <termios.h>
#include <unistd.h>
#elif defined(Q_OS_WIN)
#include <windows.h>
#endif

namespace {
// The errors of an open port that end its use; the others (a refused setting, a time-out of a
// blocking call) are told where they happen.
std::optional<SerialPort::Fault> faultOf(QSerialPort::SerialPortError error)
{
    switch (error) {
    case QSerialPort::DeviceNotFoundError:
    case QSerialPort::ResourceError:
        return SerialPort::Fault::DeviceGone;
    case QSerialPort::PermissionError:
        return SerialPort::Fault::Permission;
    case QSerialPort::ReadError:
        return SerialPort::Fault::Read;
    case QSerialPort::WriteError:
        return SerialPort::Fault::Write;
    case QSerialPort::UnknownError:
        return SerialPort::Fault::Other;
    default:
        return std::nullopt;
    }
}
} // namespace

QtSerialPort::QtSerialPort(PortMap map, QObject *parent) : SerialPort(parent), m_map(std::move(map))
{
    connect(&m_serial, &QSerialPort::readyRead, this, &SerialPort::readyRead);
    // Queued: the port is closed from the event loop, not inside its own notification.
    connect(
        &m_serial, &QSerialPort::errorOccurred, this,
        [this](QSerialPort::SerialPortError error) {
            const auto fault = faultOf(error);
            if (fault && m_serial.isOpen() && confirmed(*fault))
                fail(*fault, m_serial.errorString());
        },
        Qt::QueuedConnection);
}

void QtSerialPort::fail(SerialPort::Fault fault, const QString &reason)
{
    if (!m_serial.isOpen())
        return;
    m_error = m_serial.portName() + QStringLiteral(": ") + reason;
    m_serial.clearError();
    m_serial.close();
    emit faulted(fault, reason);
}

bool QtSerialPort::isOpen() const
{
    return m_serial.isOpen();
}

bool QtSerialPort::open(int portNumber, const QString &settings)
{
    if (m_serial.isOpen()) {
        m_error = QStringLiteral("the port is already open");
        return false;
    }
    const QString device = m_map.device(portNumber);
    m_serial.setPortName(device);
    if (!m_serial.open(QIODevice::ReadWrite)) {
        m_error = device + QStringLiteral(": ") + m_serial.errorString();
        if (const QString note = m_note ? m_note(portNumber) : QString(); !note.isEmpty())
            m_error += QStringLiteral(". ") + note;
        return false;
    }
    if (!setSettings(settings)) {
        const QString reason = m_error;
        m_serial.close();
        m_error = device + QStringLiteral(": ") + reason;
        return false;
    }
    m_error.clear();
    return true;
}

bool QtSerialPort::setSettings(const QString &settings)
{
    const std::optional<LineSettings> line = LineSettings::parse(settings);
    if (!line) {
        m_error = QStringLiteral("invalid settings text \"%1\"").arg(settings);
        return false;
    }
    QSerialPort::Parity parity = QSerialPort::NoParity;
    switch (line->parity) {
    case 'E':
        parity = QSerialPort::EvenParity;
        break;
    case 'O':
        parity = QSerialPort::OddParity;
        break;
    case 'M':
        parity = QSerialPort::MarkParity;
        break;
    case 'S':
        parity = QSerialPort::SpaceParity;
        break;
    default:
        break;
    }
    const QSerialPort::StopBits stopBits = line->stopBits == 2    ? QSerialPort::TwoStop
                                           : line->stopBits == 15 ? QSerialPort::OneAndHalfStop
                                                                  : QSerialPort::OneStop;
    const bool ok = m_serial.setBaudRate(line->baudRate) &&
                    m_serial.setDataBits(static_cast<QSerialPort::DataBits>(line->dataBits)) &&
                    m_serial.setParity(parity) && m_serial.setStopBits(stopBits) &&
                    m_serial.setFlowControl(QSerialPort::NoFlowControl);
    if (!ok)
        m_error = m_serial.errorString();
    return ok;
}

void QtSerialPort::close()
{
    if (!m_serial.isOpen())
        return;
    drain();
#if defined(Q_OS_UNIX)
    // Closing puts back the settings the device had before it was opened. The line keeps the
    // operation's instead: on a pseudo-terminal the other end reads the last characters later,
    // at whatever settings the line has then. Opening sets them again anyway.
    termios kept{};
    const int line = ::dup(m_serial.handle());
    const bool keep = line >= 0 && ::tcgetattr(line, &kept) == 0;
    m_serial.close();
    if (keep)
        ::tcsetattr(line, TCSANOW, &kept);
    if (line >= 0)
        ::close(line);
#else
    m_serial.close();
#endif
}

bool QtSerialPort::confirmed(SerialPort::Fault fault) const
{
#if defined(Q_OS_UNIX)
    // QSerialPort also reports a full line (EAGAIN) as a resource, read or write error: only a
    // line that has hung up or failed has gone away.
    if (fault == Fault::DeviceGone || fault == Fault::Read || fault == Fault::Write) {
        pollfd line{m_serial.handle(), POLLIN | POLLOUT, 0};
        return ::poll(&line, 1, 0) > 0 && (line.revents & (POLLHUP | POLLERR | POLLNVAL));
    }
#endif
    Q_UNUSED(fault);
    return true;
}

void QtSerialPort::drain()
{
    // Characters written just before closing still go out: first from Qt's queue to the
    // device, then from the device's queue onto the line. A device that takes nothing for a
    // moment is given up on; closing then drops the rest.
    constexpr int queueLimitMs = 200;
    m_serial.flush();
    if (m_serial.bytesToWrite() > 0)
        m_serial.waitForBytesWritten(queueLimitMs);
#if defined(Q_OS_UNIX)
    ::tcdrain(m_serial.handle());
#elif defined(Q_OS_WIN)
    // FlushFileBuffers waits until the driver has sent what it holds.
    ::FlushFileBuffers(m_serial.handle());
#endif
}

int QtSerialPort::bytesWaiting()
{
    return m_serial.isOpen() ? static_cast<int>(m_serial.bytesAvailable()) : 0;
}

void QtSerialPort::discardInput()
{
    if (!m_serial.isOpen())
        return;
    m_serial.clear(QSerialPort::Input);
    m_serial.readAll();
}

QByteArray QtSerialPort::readAll()
{
    return m_serial.isOpen() ? m_serial.readAll() : QByteArray();
}

bool QtSerialPort::write(const QByteArray &data)
{
    if (!m_serial.isOpen())
        return false;
    // With nothing queued the characters go straight to the device, which takes them at once:
    // QSerialPort's own write would also arm and disarm a write notifier, an extra pass of the
    // event loop for every character of an exchange. What the device does not take is queued.
    const qint64 written = m_serial.bytesToWrite() == 0 ? writeToDevice(data) : 0;
    if (written < 0) {
        // The device refused the characters: told from the event loop, as QSerialPort's own.
        QMetaObject::invokeMethod(
            this, [this, reason = m_error] { fail(Fault::Write, reason); }, Qt::QueuedConnection);
        return false;
    }
    if (written < data.size()) {
        if (m_serial.write(data.constData() + written, data.size() - written) < 0)
            return false;
        // Hand the rest to the device now rather than at the next pass of the event loop.
        m_serial.flush();
    }
    return true;
}

qint64 QtSerialPort::writeToDevice(const QByteArray &data)
{
#if defined(Q_OS_UNIX)
    for (;;) {
        const ssize_t written = ::write(m_serial.handle(), data.constData(), data.size());
        if (written >= 0)
            return written;
        if (errno == EAGAIN || errno == EWOULDBLOCK)
            return 0; // full: QSerialPort queues it
        if (errno != EINTR) {
            m_error = qt_error_string(errno);
            return -1;
        }
    }
#else
    Q_UNUSED(data);
    return 0;
#endif
}

qint64 QtSerialPort::bytesToWrite() const
{
    return m_serial.bytesToWrite();
}

int QtSerialPort::baudRate() const
{
    return m_serial.baudRate();
}

QString QtSerialPort::errorString() const
{
    return m_error;
}

QString QtSerialPort::deviceName(int portNumber) const
{
    return m_map.device(portNumber);
}
