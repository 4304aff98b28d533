#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

// The serial port of the main window (its MSComm1): the eight operations the exchanges with the
// unit are made of. The production port is QSerialPort; tests and the demo may connect the
// simulated unit directly. Implementations signal readyRead() when characters arrive, which wakes
// any wait in progress, and faulted() when the device fails or goes away.
class SerialPort : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // Why an open port stopped working.
    enum class Fault {
        DeviceGone, // unplugged, or its other end closed (a resource error)
        Permission, // the system took the access away
        Read,       // reading failed
        Write,      // writing failed
        Other,
    };
    Q_ENUM(Fault)

    virtual bool isOpen() const = 0;
    // Port number k (1 to 12) and a settings text such as "9600,N,8,1". False when the
    // device cannot be opened or the settings are refused; errorString() tells why.
    virtual bool open(int portNumber, const QString &settings) = 0;
    virtual bool setSettings(const QString &settings) = 0;
    virtual void close() = 0;
    virtual int bytesWaiting() = 0;
    virtual void discardInput() = 0;
    virtual QByteArray readAll() = 0;
    // False when the characters could not be handed to the device (it then reports a fault).
    virtual bool write(const QByteArray &data) = 0;

    // Not one of the unit's operations: how many written characters have not yet left the PC,
    // and the current speed in bit/s, so a sender can pace itself to the line.
    virtual qint64 bytesToWrite() const = 0;
    virtual int baudRate() const = 0;
    virtual QString errorString() const = 0;

    // The device that stands behind port number k, as the port list shows it.
    virtual QString deviceName(int portNumber) const
    {
        return QStringLiteral("COM%1").arg(portNumber);
    }

signals:
    void readyRead();
    // The open port failed; it is closed by now. reason is the system's words.
    void faulted(SerialPort::Fault fault, const QString &reason);
};
