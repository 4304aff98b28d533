#pragma once

#include "image_cache.h"
#include "server_settings.h"
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

// What the exchange needs from the console: the activity list, the log file and the file list
// that follows the operating system folder. What is served: ServerSettings.
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
    QString unit;       // "127.0.0.1:40001"
    QString identifier; // the first six characters of its request
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

// The remote download exchange: while listening, each datagram goes to the transfer of the unit
// that sent it (by address and port) or starts a transfer for a request ("UPLOAD", "CONFIG",
// "GPSLOC"), and every tick goes to every transfer. Driven by the socket and the clock alone:
// nothing here waits.
class RemoteDownload : public QObject
{
    Q_OBJECT
public:
    static constexpr int maximumSessions = 10000;

    RemoteDownload(DatagramSocket &socket, TickClock &clock, DownloadConsole &console,
                   ServerImageSource images = {}, QObject *parent = nullptr);
    ~RemoteDownload() override;

    // How many units are served at once (1 to 10,000); with more than one, every line names its
    // unit by identifier and address: " (unit VAN042 127.0.0.1:40001)".
    void setSessionLimit(int sessions);
    int sessionLimit() const { return m_sessionLimit; }
    // --store: every transfer is recorded there (not owned).
    void setStore(FleetStore *store) { m_context.store = store; }

    // "&Start": listens on the socket's local port (0: one the system gives) and adds "Started,
    // listening on port " + portText. False, with one error line and the socket closed, when
    // no port was set or the socket cannot listen. Returns at once either way.
    bool startListening(const QString &portText);
    // Stop: no new transfer starts; listening ends once the transfers in progress have ended
    // (at once when there are none) with "Stopped, listening on port " + the start's portText,
    // after the final countsLine() when several units are served (EXIT: the transfers it ended
    // counted as running).
    void stop();
    // Start again while the stopped exchange is still finishing transfers: it keeps listening.
    void resume() { m_running = true; }
    // EXIT: the transfers in progress end at once, then listening.
    void end();

    bool isRunning() const { return m_running; }
    // From startListening() until listening has ended (after a Stop, once the transfers ended).
    bool isListening() const { return m_listening; }

    // What is served, read by each transfer as its request arrives; the console edits it.
    ServerSettings &settings() { return m_settings; }

    TransferCounts counts() const;
    // "Transfers: 1 running, 20 done, 0 given up, 3 refused": the summary line of several units.
    QString countsLine() const;
    // The first limit transfers in progress, in the order they started.
    QList<TransferInProgress> transfersInProgress(int limit) const;

signals:
    // Listening has ended: the socket is closed and the "Stopped" line shown.
    void listeningEnded();

private:
    using UnitKey = std::pair<QHostAddress, quint16>;

    void datagramArrived(const QByteArray &data, const QHostAddress &sender, quint16 senderPort);
    void startTransfer(const QByteArray &request, const UnitKey &unit);
    void ticked();
    // Counts and forgets the transfer when it has ended.
    void settle(const UnitKey &unit);
    void endAll();
    // Ends listening once it has been stopped and no transfer is left.
    void endListeningWhenIdle();
    void endListening(const QString &tally);

    DatagramSocket &m_socket;
    TickClock &m_clock;
    DownloadConsole &m_console;
    ServerImageSource m_images;
    FileContentCache m_files;
    ServerSettings m_settings;
    TransferContext m_context;

    int m_sessionLimit = 1;
    bool m_running = true;
    bool m_listening = false;
    QString m_portText; // as it read at the start
    QHash<UnitKey, std::shared_ptr<UnitTransfer>> m_transfers;
    QList<UnitKey> m_startOrder;
    TransferCounts m_counts;
};
