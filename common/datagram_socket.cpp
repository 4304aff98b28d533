#include "datagram_socket.h"

#include <QNetworkDatagram>
#include <QUdpSocket>
#include <QVariant>

bool DatagramSocket::sendToLastSender(const QByteArray &data)
{
    if (m_lastSender.isNull())
        return false;
    return sendTo(data, m_lastSender, m_lastSenderPort);
}

void DatagramSocket::deliver(const QByteArray &data, const QHostAddress &sender, quint16 senderPort)
{
    m_lastSender = sender;
    m_lastSenderPort = senderPort;
    emit datagramArrived(data, sender, senderPort);
}

UdpDatagramSocket::UdpDatagramSocket(QObject *parent)
    : DatagramSocket(parent), m_socket(new QUdpSocket(this))
{
    connect(m_socket, &QUdpSocket::readyRead, this, &UdpDatagramSocket::readPending);
}

UdpDatagramSocket::~UdpDatagramSocket() = default;

bool UdpDatagramSocket::listen()
{
    if (m_socket->state() == QAbstractSocket::BoundState)
        m_socket->close();
    if (!m_socket->bind(QHostAddress::AnyIPv4, localPort()))
        return false;
    // Room for a fleet's datagrams while the program is busy for a moment, instead of the
    // kernel dropping them (the system may grant less).
    m_socket->setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption,
                              QVariant(4 * 1024 * 1024));
    return true;
}

void UdpDatagramSocket::close()
{
    m_socket->close();
}

bool UdpDatagramSocket::isListening() const
{
    return m_socket->state() == QAbstractSocket::BoundState;
}

QString UdpDatagramSocket::errorString() const
{
    return m_socket->errorString();
}

bool UdpDatagramSocket::sendTo(const QByteArray &data, const QHostAddress &host, quint16 port)
{
    if (!isListening())
        return false;
    return m_socket->writeDatagram(data, host, port) == data.size();
}

quint16 UdpDatagramSocket::boundPort() const
{
    return m_socket->localPort();
}

void UdpDatagramSocket::readPending()
{
    while (m_socket->hasPendingDatagrams()) {
        const QNetworkDatagram datagram = m_socket->receiveDatagram();
        if (!datagram.isValid())
            continue;
        deliver(datagram.data(), datagram.senderAddress(),
                static_cast<quint16>(datagram.senderPort()));
    }
}
