#pragma once

#include "port_map.h"
#include "serial_port.h"

#include <QSerialPort>

#include <functional>

// The production serial port: QSerialPort on the device that the port map puts behind the
// chosen COM entry.
class QtSerialPort : public SerialPort
{
    Q_OBJECT
public:
    explicit QtSerialPort(PortMap map = {}, QObject *parent = nullptr);

    bool isOpen() const override;
    bool open(int portNumber, const QString &settings) override;
    bool setSettings(const QString &settings) override;
    void close() override;
    int bytesWaiting() override;
    void discardInput() override;
    QByteArray readAll() override;
    bool write(const QByteArray &data) override;
    qint64 bytesToWrite() const override;
    int baudRate() const override;
    QString errorString() const override;
    QString deviceName(int portNumber) const override;

    PortMap &portMap() { return m_map; }
    const PortMap &portMap() const { return m_map; }
    // A note added to the reason an open of port number k failed (empty: none).
    void setOpenFailureNote(std::function<QString(int portNumber)> note)
    {
        m_note = std::move(note);
    }

private:
    // Writes what the device takes at once, without queueing; the count taken, -1 when the
    // device refused it (m_error then says why).
    qint64 writeToDevice(const QByteArray &data);
    // A fault of the open port: closes it at once, without draining, and tells it.
    void fail(SerialPort::Fault fault, const QString &reason);
    // Waits (at most a moment) until what was written has left the line.
    void drain();
    // Whether a fault QSerialPort reported means the port can no longer be used.
    bool confirmed(SerialPort::Fault fault) const;

    PortMap m_map;
    QSerialPort m_serial;
    QString m_error;
    std::function<QString(int)> m_note;
};
