#pragma once

// The unit's side of the real-time exchange over loopback UDP, for the receiver's tests.
#include <QByteArray>
#include <QHostAddress>
#include <QUdpSocket>

inline const QHostAddress loopback(QStringLiteral("127.0.0.1"));

// One unit: sends its messages to the receiver and reads the acknowledgements. Blocking, so it
// can run on its own thread while the receiver's listening loop holds the test's thread.
class UnitSide
{
public:
    explicit UnitSide(quint16 receiverPort) : m_receiverPort(receiverPort)
    {
        m_socket.bind(loopback, 0);
    }

    quint16 localPort() const { return m_socket.localPort(); }

    void send(const QByteArray &message)
    {
        m_socket.writeDatagram(message, loopback, m_receiverPort);
    }

    // The next acknowledgement; empty when none came within the time.
    QByteArray reply(int timeoutMs = 10000)
    {
        if (!m_socket.hasPendingDatagrams() && !m_socket.waitForReadyRead(timeoutMs))
            return {};
        QByteArray data(int(m_socket.pendingDatagramSize()), '\0');
        m_socket.readDatagram(data.data(), data.size());
        return data;
    }

private:
    quint16 m_receiverPort;
    QUdpSocket m_socket;
};
