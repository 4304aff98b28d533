#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QObject>

#include <random>

class QUdpSocket;

// The unit's side of a remote download: it calls the server from its own UDP port with a
// request, then answers every numbered packet (3 characters of number, 180 of data) with an
// acknowledgement whose sixth character is "1", and keeps the data of each packet it accepted.
// It can also refuse packets, stay silent, or ignore every n-th packet, to try the server's
// retries.
class UdpUnitClient : public QObject
{
    Q_OBJECT
public:
    static constexpr int numberSize = 3;
    static constexpr int dataSize = 180;

    explicit UdpUnitClient(QObject *parent = nullptr);
    ~UdpUnitClient() override;

    // Binds to 127.0.0.1 on a free port; false when that fails.
    bool open();
    quint16 port() const;

    // The reply to an accepted packet; its sixth character should be "1" (default "VORT01").
    void setAcknowledgement(const QByteArray &reply) { m_acknowledgement = reply; }
    // The reply to a refused packet (default "VORT00").
    void setRefusal(const QByteArray &reply) { m_refusal = reply; }
    // Refuses the next count packets it receives, then accepts again.
    void refuseNext(int count) { m_refusalsLeft = count; }
    // Answers nothing at all.
    void setSilent(bool silent) { m_silent = silent; }
    // Ignores every n-th packet it receives (0: none).
    void setDropEvery(int n) { m_dropEvery = n; }
    // A slow link: each answer leaves this many milliseconds after its packet came in.
    void setAnswerDelay(int ms) { m_answerDelayMs = ms; }
    // A poor radio link: each packet that comes in and each answer that goes out is lost with
    // this probability (0 to 1), drawn from a generator seeded with seed, so a run repeats.
    void setLoss(double probability, quint32 seed);

    void sendRequest(const QByteArray &request, const QHostAddress &server, quint16 serverPort);
    // Any datagram to the server, as a stray reply.
    void sendRaw(const QByteArray &data, const QHostAddress &server, quint16 serverPort);

    // Every datagram that came in, in order, resends included.
    const QList<QByteArray> &packets() const { return m_packets; }
    // The data of the accepted packets, in order, each once (180 characters a packet).
    QByteArray receivedData() const { return m_data; }
    // The same data read back as hex pairs: the image bytes of a configuration or GPS transfer.
    QByteArray receivedImage() const;
    // Whether the packet numbered "255" was accepted.
    bool isComplete() const { return m_complete; }

signals:
    // Before the unit answers the packet.
    void packetReceived(const QByteArray &packet);
    // After the unit accepted the last packet ("255").
    void completed();

private:
    void readPending();
    void answer(const QByteArray &packet);
    bool lost();
    void reply(const QByteArray &datagram);

    QUdpSocket *m_socket;
    QHostAddress m_server;
    quint16 m_serverPort = 0;
    QByteArray m_acknowledgement = "VORT01";
    QByteArray m_refusal = "VORT00";
    int m_refusalsLeft = 0;
    bool m_silent = false;
    int m_dropEvery = 0;
    int m_answerDelayMs = 0;
    double m_loss = 0;
    std::mt19937 m_lossDraw;
    QList<QByteArray> m_packets;
    QByteArray m_data;
    QByteArray m_lastAcceptedNumber;
    bool m_complete = false;
};
