#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QObject>
#include <QString>

class QUdpSocket;

// The UDP socket of Server and Quellix (their sckudp): listen on a local port, report each
// datagram with its sender, and send a datagram to a sender. Tests may substitute their own.
class DatagramSocket : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // The port to listen on; 0: whichever port the system gives (boundPort() tells which).
    virtual void setLocalPort(quint16 port)
    {
        m_localPort = port;
        m_hasLocalPort = true;
    }
    quint16 localPort() const { return m_localPort; }
    bool hasLocalPort() const { return m_hasLocalPort; }
    // The port listened on: the local port, or the one the system gave for port 0.
    virtual quint16 boundPort() const { return m_localPort; }
    // Several processes may listen on the same port; the system keeps each sender with one.
    void setReusePort(bool reuse) { m_reusePort = reuse; }
    bool reusesPort() const { return m_reusePort; }

    // Starts listening on the local port; false (with errorString()) when it cannot.
    virtual bool listen() = 0;
    virtual void close() = 0;
    virtual bool isListening() const = 0;
    virtual QString errorString() const = 0;

    virtual bool sendTo(const QByteArray &data, const QHostAddress &host, quint16 port) = 0;

signals:
    void datagramArrived(const QByteArray &data, const QHostAddress &sender, quint16 senderPort);

protected:
    // Called by implementations for every datagram, in arrival order.
    void deliver(const QByteArray &data, const QHostAddress &sender, quint16 senderPort);

private:
    quint16 m_localPort = 0;
    bool m_hasLocalPort = false;
    bool m_reusePort = false;
};

// The production socket on QUdpSocket, bound to every local address.
class UdpDatagramSocket : public DatagramSocket
{
    Q_OBJECT
public:
    explicit UdpDatagramSocket(QObject *parent = nullptr);
    ~UdpDatagramSocket() override;

    bool listen() override;
    void close() override;
    bool isListening() const override;
    QString errorString() const override;
    bool sendTo(const QByteArray &data, const QHostAddress &host, quint16 port) override;

    quint16 boundPort() const override;

private:
    void readPending();
    bool bindShared();

    QUdpSocket *m_socket;
    QString m_sharingError;
};
