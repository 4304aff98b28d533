#pragma once

#include "image_cache.h"
#include "unit_transfer.h"

#include <QByteArray>
#include <QHash>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QString>

#include <memory>
#include <utility>

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
    // A line of the packet-by-packet traffic (datagrams in, packets out, Error1): noise at fleet
    // scale, which a quiet console leaves out.
    virtual void addDetail(const QString &line) { addActivity(line); }
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

// One line of the view of the transfers in progress.
struct TransferInProgress
{
    QString unit; // "127.0.0.1:40001"
    QString what;
    int packet = 0;
    int packetCount = 0;
    int timeouts = 0;
};

// How the transfers went since listening started.
struct TransferCounts
{
    int running = 0;
    int done = 0;
    int gaveUp = 0;
    int refused = 0;
    int nothingSent = 0;
    // Since listening started, for the metrics.
    quint64 packetsSent = 0;
    quint64 packetsResent = 0;
    quint64 timeouts = 0;
    quint64 strangers = 0; // datagrams that were no request, from no unit being served
};

// The remote download exchange: the listening loop routes each datagram to the transfer of the
// unit that sent it (by address and port) or starts a transfer for a request ("UPLOAD",
// "CONFIG", "GPSLOC"), and passes every tick to every transfer.
class RemoteDownload : public QObject
{
    Q_OBJECT
public:
    static constexpr int maximumSessions = 10000;

    RemoteDownload(DatagramSocket &socket, TickClock &clock, DownloadConsole &console,
                   ServerImageSource images = {}, QObject *parent = nullptr);
    ~RemoteDownload() override;

    // How many units are served at once (1 to 10,000); with more than one, every line that
    // belongs to a transfer names its unit.
    void setSessionLimit(int sessions);
    int sessionLimit() const { return m_sessionLimit; }

    // Start of listening; false (socket closed) when the socket cannot listen.
    bool startListening();
    // Runs until stop() or end(); then closes the socket.
    void runListeningLoop();
    // Stop: no new transfer starts; the loop ends once the transfers in progress have ended.
    void stop() { m_running = false; }
    // Start again while the stopped loop is still finishing transfers: it keeps listening.
    void resume() { m_running = true; }
    // EXIT: the transfers in progress end at once, then the loop.
    void end() { m_ending = true; }

    bool isRunning() const { return m_running; }
    bool isLooping() const { return m_looping; }

    TransferCounts counts() const;
    // The first limit transfers in progress, in the order they started.
    QList<TransferInProgress> transfersInProgress(int limit) const;

private:
    using UnitKey = std::pair<QHostAddress, quint16>;

    void datagramArrived(const QByteArray &data, const QHostAddress &sender, quint16 senderPort);
    void startTransfer(const QByteArray &request, const UnitKey &unit);
    void ticked();
    // Counts and forgets the transfer when it has ended.
    void settle(const UnitKey &unit);
    void endAll();

    DatagramSocket &m_socket;
    TickClock &m_clock;
    DownloadConsole &m_console;
    ServerImageSource m_images;
    FileContentCache m_files;
    TransferContext m_context;

    int m_sessionLimit = 1;
    bool m_running = true;
    bool m_ending = false;
    bool m_looping = false;
    QHash<UnitKey, std::shared_ptr<UnitTransfer>> m_transfers;
    QList<UnitKey> m_startOrder;
    TransferCounts m_counts;
};
