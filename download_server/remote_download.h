#pragma once

#include "server_images.h"

#include <QByteArray>
#include <QHostAddress>
#include <QObject>
#include <QString>

#include <functional>

class DatagramSocket;
class TickClock;

// What the exchange needs from the console: the activity list, the log file and the choices
// the operator made (read at the moment a request arrives).
class DownloadConsole
{
public:
    virtual ~DownloadConsole() = default;
    // One line in List1; the list never grows beyond 300 lines.
    virtual void addActivity(const QString &line) = 0;
    // One line in "log.txt".
    virtual void logLine(const QString &text) = 0;
    virtual QString operatingSystemBaseFolder() const = 0; // Drive1
    virtual QString configurationFilePath() const = 0;     // Label5
    virtual QString gpsTableFilePath() const = 0;          // Label9
    // File1 follows the folder the operating system transfer looks into.
    virtual void showOperatingSystemFolder(const QString &folder) = 0;
    // The packet being sent: the number-th (from 1) of count; shown again for a resend.
    virtual void showPacketProgress(int number, int count)
    {
        Q_UNUSED(number);
        Q_UNUSED(count);
    }
    // The transfer has ended, whichever way.
    virtual void clearPacketProgress() {}
};

// The builders of the configuration and GPS images; tests may hand in their own images.
struct ServerImageSource
{
    std::function<ServerImageResult(const QString &, const QByteArray &, QByteArray &)>
        configuration = buildServerConfigurationImage;
    std::function<ServerImageResult(const QString &, QByteArray &)> gps = buildServerGpsImage;
};

// The remote download exchange: the listening loop, the requests "UPLOAD", "CONFIG" and
// "GPSLOC", and the numbered packets that the unit acknowledges one by one.
class RemoteDownload : public QObject
{
    Q_OBJECT
public:
    static constexpr int dataSize = 180;
    static constexpr int imageBytesPerPacket = dataSize / 2;
    // Packet "255" is the last and the number never goes past it: 256 packets at most.
    static constexpr qsizetype maximumOperatingSystemSize = 256 * dataSize; // 46,080
    static constexpr int waitTicks = 5;
    static constexpr int maximumTimeouts = 5;

    RemoteDownload(DatagramSocket &socket, TickClock &clock, DownloadConsole &console,
                   ServerImageSource images = {}, QObject *parent = nullptr);

    // Start of listening; false (socket closed) when the socket cannot listen.
    bool startListening();
    // Runs until stop() or end(); then closes the socket.
    void runListeningLoop();
    // Stop: the loop ends after the transfer in progress.
    void stop() { m_running = false; }
    // Start again while the stopped loop is still finishing a transfer: it keeps listening.
    void resume() { m_running = true; }
    // EXIT: the transfer in progress ends at once, then the loop.
    void end() { m_ending = true; }

    bool isRunning() const { return m_running; }
    bool isLooping() const { return m_looping; }
    bool isTransferring() const { return m_transferring; }

    // "000", "004", "255".
    static QByteArray packetNumberText(int packetNumber);
    // How many packets carry an operating system file of this length (an empty file still
    // sends its last packet), and an image whose last packet starts past the threshold.
    static int operatingSystemPacketCount(qsizetype length);
    static int imagePacketCount(int lastPacketThreshold);

private:
    enum class Outcome { Acknowledged, GaveUp, Ended };

    void datagramArrived(const QByteArray &data, const QHostAddress &sender, quint16 senderPort);
    void handleRequest(const QByteArray &request);
    void sendOperatingSystem(const QByteArray &request);
    void sendConfiguration(const QByteArray &request);
    void sendGpsTable();
    void sendImage(const QByteArray &image, int lastPacketThreshold, const QString &successText);
    Outcome sendPacket(const QByteArray &packet, const QByteArray &identifier);
    void reportToBoth(const QString &text);
    void reportRefused(const ServerImageResult &result, const QString &notFoundText);

    DatagramSocket &m_socket;
    TickClock &m_clock;
    DownloadConsole &m_console;
    ServerImageSource m_images;

    bool m_running = true;
    bool m_ending = false;
    bool m_looping = false;
    bool m_transferring = false;
    bool m_dataArrived = false;
    QByteArray m_lastMessage;
    QHostAddress m_lastSender;
    quint16 m_lastSenderPort = 0;
    // The unit whose request is being served: only its datagrams count as replies.
    QHostAddress m_unit;
    quint16 m_unitPort = 0;
    int m_repliesReceived = 0;
    QByteArray m_downloadImage;
};
