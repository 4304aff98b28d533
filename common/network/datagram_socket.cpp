#include "datagram_socket.h"

#include <QNetworkDatagram>
#include <QUdpSocket>
#include <QVariant>

#if defined(Q_OS_LINUX)
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#endif

void DatagramSocket::deliver(const QByteArray &data, const QHostAddress &sender, quint16 senderPort)
{
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
    m_sharingError.clear();
    const bool bound =
        reusesPort() ? bindShared() : m_socket->bind(QHostAddress::AnyIPv4, localPort());
    // Many peers may call in the same instant; a larger buffer (the system caps it) keeps their
    // datagrams until they are read instead of dropping them.
    // Likewise for sending: a datagram to a peer on this machine holds the sender's buffer until
    // the peer has read it, and a full buffer drops the next packet.
    if (bound) {
        m_socket->setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption,
                                  QVariant(4 << 20));
        m_socket->setSocketOption(QAbstractSocket::SendBufferSizeSocketOption, QVariant(4 << 20));
    }
    return bound;
}

// The one place that knows how a port is shared between processes.
bool UdpDatagramSocket::bindShared()
{
#if defined(Q_OS_LINUX)
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        m_sharingError = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    const int one = 1;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(localPort());
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    if (::setsockopt(fd, SOL_SOCKET, SO_REUSEPORT, &one, sizeof one) != 0 ||
        ::bind(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0) {
        m_sharingError = QString::fromLocal8Bit(std::strerror(errno));
        ::close(fd);
        return false;
    }
    if (!m_socket->setSocketDescriptor(fd, QAbstractSocket::BoundState)) {
        ::close(fd);
        return false;
    }
    return true;
#else
    m_sharingError = QStringLiteral("sharing a port is not available on this system");
    return false;
#endif
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
    return m_sharingError.isEmpty() ? m_socket->errorString() : m_sharingError;
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
