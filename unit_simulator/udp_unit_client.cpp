#include "udp_unit_client.h"

#include "common/hex_pair.h"

#include <QNetworkDatagram>
#include <QTimer>
#include <QUdpSocket>

UdpUnitClient::UdpUnitClient(QObject *parent) : QObject(parent), m_socket(new QUdpSocket(this))
{
    connect(m_socket, &QUdpSocket::readyRead, this, &UdpUnitClient::readPending);
}

UdpUnitClient::~UdpUnitClient() = default;

bool UdpUnitClient::open()
{
    return m_socket->bind(QHostAddress::LocalHost, 0);
}

quint16 UdpUnitClient::port() const
{
    return m_socket->localPort();
}

void UdpUnitClient::sendRequest(const QByteArray &request, const QHostAddress &server,
                                quint16 serverPort)
{
    m_server = server;
    m_serverPort = serverPort;
    m_data.clear();
    m_lastAcceptedNumber.clear();
    m_complete = false;
    m_socket->writeDatagram(request, server, serverPort);
}

void UdpUnitClient::sendRaw(const QByteArray &data, const QHostAddress &server, quint16 serverPort)
{
    m_socket->writeDatagram(data, server, serverPort);
}

void UdpUnitClient::setLoss(double probability, quint32 seed)
{
    m_loss = probability;
    m_lossDraw.seed(seed);
}

bool UdpUnitClient::lost()
{
    return m_loss > 0 && std::uniform_real_distribution<double>(0, 1)(m_lossDraw) < m_loss;
}

void UdpUnitClient::reply(const QByteArray &datagram)
{
    if (lost())
        return;
    if (m_answerDelayMs <= 0) {
        m_socket->writeDatagram(datagram, m_server, m_serverPort);
        return;
    }
    QTimer::singleShot(m_answerDelayMs, Qt::PreciseTimer, this, [this, datagram] {
        m_socket->writeDatagram(datagram, m_server, m_serverPort);
    });
}

void UdpUnitClient::readPending()
{
    while (m_socket->hasPendingDatagrams()) {
        const QNetworkDatagram datagram = m_socket->receiveDatagram();
        if (datagram.isValid() && !lost())
            answer(datagram.data());
    }
}

void UdpUnitClient::answer(const QByteArray &packet)
{
    m_packets.append(packet);
    emit packetReceived(packet);
    if (m_silent)
        return;
    if (m_dropEvery > 0 && m_packets.size() % m_dropEvery == 0)
        return;
    if (m_refusalsLeft > 0 || packet.size() != numberSize + dataSize) {
        if (m_refusalsLeft > 0)
            --m_refusalsLeft;
        reply(m_refusal);
        return;
    }
    const QByteArray number = packet.left(numberSize);
    // The same number again means our answer came too late: answer again, keep the data once.
    if (number != m_lastAcceptedNumber) {
        m_data += packet.mid(numberSize);
        m_lastAcceptedNumber = number;
    }
    reply(m_acknowledgement);
    if (number == "255" && !m_complete) {
        m_complete = true;
        emit completed();
    }
}

QByteArray UdpUnitClient::receivedImage() const
{
    QByteArray image;
    image.reserve(m_data.size() / 2);
    for (qsizetype i = 0; i + 1 < m_data.size(); i += 2) {
        const int high = HexPair::digitValue(m_data.at(i));
        const int low = HexPair::digitValue(m_data.at(i + 1));
        image.append(static_cast<char>(((high & 0x0F) << 4) | (low & 0x0F)));
    }
    return image;
}
