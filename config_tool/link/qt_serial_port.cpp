#include "qt_serial_port.h"

#include "line_settings.h"

#if defined(Q_OS_UNIX)
#include <cerrno>
#include <unistd.h>
#endif

QtSerialPort::QtSerialPort(PortMap map, QObject *parent) : SerialPort(parent), m_map(std::move(map))
{
    connect(&m_serial, &QSerialPort::readyRead, this, &SerialPort::readyRead);
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
    // Characters written just before closing still go out.
    m_serial.flush();
    if (m_serial.bytesToWrite() > 0)
        m_serial.waitForBytesWritten(200);
    m_serial.close();
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

void QtSerialPort::write(const QByteArray &data)
{
    if (!m_serial.isOpen())
        return;
    // With nothing queued the characters go straight to the device, which takes them at once:
    // QSerialPort's own write would also arm and disarm a write notifier, an extra pass of the
    // event loop for every character of an exchange. What the device does not take is queued.
    const qint64 written = m_serial.bytesToWrite() == 0 ? writeToDevice(data) : 0;
    if (written < data.size()) {
        m_serial.write(data.constData() + written, data.size() - written);
        // Hand the rest to the device now rather than at the next pass of the event loop.
        m_serial.flush();
    }
}

qint64 QtSerialPort::writeToDevice(const QByteArray &data)
{
#if defined(Q_OS_UNIX)
    for (;;) {
        const ssize_t written = ::write(m_serial.handle(), data.constData(), data.size());
        if (written >= 0)
            return written;
        if (errno != EINTR)
            return 0; // full (EAGAIN) or failing: QSerialPort queues it and reports the error
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
