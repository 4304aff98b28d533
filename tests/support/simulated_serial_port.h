#pragma once

#include "link/serial_port.h"
#include "simulated_unit.h"

#include <QMap>
#include <memory>

// The tool's serial port wired straight to simulated units inside the test process: a unit
// attached to port number k is reached by opening COMk. Characters travel both ways through
// the event loop, as they would from a device. Opening a port with no unit behind it fails.
class SimulatedSerialPort : public SerialPort
{
    Q_OBJECT
public:
    explicit SimulatedSerialPort(QObject *parent = nullptr);
    ~SimulatedSerialPort() override;

    // Puts the unit behind COMk (the unit stays the caller's).
    void attach(int portNumber, SimulatedUnit *unit);

    bool isOpen() const override { return m_openPort != 0; }
    bool open(int portNumber, const QString &settings) override;
    bool setSettings(const QString &settings) override;
    void close() override;
    int bytesWaiting() override { return static_cast<int>(m_input.size()); }
    void discardInput() override { m_input.clear(); }
    QByteArray readAll() override;
    bool write(const QByteArray &data) override;
    qint64 bytesToWrite() const override { return 0; }
    int baudRate() const override { return m_baudRate; }
    QString errorString() const override { return m_error; }
    QString deviceName(int portNumber) const override
    {
        return QStringLiteral("simulated COM%1").arg(portNumber);
    }

    // What the tests look at.
    int openPortNumber() const { return m_openPort; }
    int openCount() const { return m_openCount; }
    QString settings() const { return m_settings; }
    // Every write, also those made while the port was closed.
    QByteArray written() const { return m_written; }

private:
    class Wire;
    void deliver(int portNumber, const QByteArray &characters);

    QMap<int, std::shared_ptr<Wire>> m_wires;
    int m_openPort = 0;
    int m_openCount = 0;
    int m_baudRate = 0;
    QString m_settings;
    QString m_error;
    QByteArray m_input;
    QByteArray m_written;
};
