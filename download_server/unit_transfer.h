#pragma once

#include "server_images.h"

#include <QByteArray>
#include <QHostAddress>
#include <QString>

#include <functional>

class DatagramSocket;
class DownloadConsole;
class FileContentCache;
class FleetStore;
class ServerSettings;

// The builders of the configuration and GPS images; tests may hand in their own images. The
// default ones keep the last image built from each file until the file changes on disk.
struct ServerImageSource
{
    ServerImageSource();
    std::function<ServerImageResult(const QString &, const QByteArray &, QByteArray &)>
        configuration;
    std::function<ServerImageResult(const QString &, QByteArray &)> gps;
};

// What every transfer shares: the socket, the console, what is served, the image builders, and
// whether lines name their unit (several units served at once).
struct TransferContext
{
    DatagramSocket &socket;
    DownloadConsole &console;
    const ServerSettings &settings;
    ServerImageSource &images;
    FileContentCache &files;
    bool namesUnits = false;
    bool showsProgress = true;   // the console's one packet line follows a lone transfer
    FleetStore *store = nullptr; // --store: every download is recorded there as it ends
    // Counted over every transfer since listening started.
    quint64 packetsSent = 0;
    quint64 packetsResent = 0;
    quint64 timeouts = 0;
};

// One unit's transfer: the downloads its request names, sent packet by packet, each packet
// acknowledged before the next. Driven from outside by the unit's datagrams and by the ticks;
// it never waits itself.
class UnitTransfer
{
public:
    static constexpr int dataSize = 180;
    static constexpr int imageBytesPerPacket = dataSize / 2;
    // Packet "255" is the last and the number never goes past it: 256 packets at most.
    static constexpr qsizetype maximumOperatingSystemSize = qsizetype(256) * dataSize; // 46,080
    static constexpr int waitTicks = 5;
    static constexpr int maximumTimeouts = 5;

    enum class Outcome { Running, Downloaded, GaveUp, NothingSent };

    UnitTransfer(TransferContext &context, const QByteArray &request, const QHostAddress &unit,
                 quint16 unitPort);
    // A download still running is recorded as stopped.
    ~UnitTransfer();
    UnitTransfer(const UnitTransfer &) = delete;
    UnitTransfer &operator=(const UnitTransfer &) = delete;

    // Logs the request and sends the first packet (or reports why there is nothing to send).
    void start();
    // A datagram from this unit: the reply to the packet in flight.
    void replyArrived(const QByteArray &reply);
    void tick();

    Outcome outcome() const { return m_outcome; }
    bool isRunning() const { return m_outcome == Outcome::Running; }

    // For the view of the transfers in progress.
    QString unitText() const;
    // The first six characters of the request, which name the unit in the lines.
    QByteArray unitIdentifier() const { return identifierOf(m_request); }
    QString what() const { return m_what; }
    int packet() const { return m_packetIndex + 1; }
    int packetCount() const { return m_packetCount; }
    int timeouts() const { return m_timeouts; }

    // Whether a datagram asks for a download ("UPLOAD", "CONFIG" or "GPSLOC" in it).
    static bool isRequest(const QByteArray &datagram);
    // "000", "004", "255".
    static QByteArray packetNumberText(int packetNumber);
    static int operatingSystemPacketCount(qsizetype length);
    static int imagePacketCount(int lastPacketThreshold);
    // The first six characters of a datagram (all of it when shorter).
    static QByteArray identifierOf(const QByteArray &datagram);
    // " (unit VAN042 127.0.0.1:40001)": how lines name their unit when several are served
    // (" (unit 127.0.0.1:40001)" for an empty datagram).
    static QString unitSuffix(const QByteArray &identifier, const QHostAddress &unit, quint16 port);
    // A request turned away because every session is busy, in the store when there is one.
    static void recordRefusal(TransferContext &context, const QByteArray &request,
                              const QHostAddress &unit, quint16 port);

private:
    enum class Step { OperatingSystem, Configuration, GpsTable, Done };

    void beginNextDownload();
    bool beginOperatingSystem();
    bool beginConfiguration();
    bool beginGpsTable();
    bool beginImage(const ServerImageResult &result, const QByteArray &image,
                    const QString &notFoundText, int threshold, const QString &successText,
                    const QString &what);
    void beginPackets(int count);
    void sendCurrentPacket();
    void send();
    void waitEnded(bool replied, bool accepted);
    void finish(Outcome outcome);
    // The store's record of the download in hand.
    void beginRecord(const char *kind, const QString &what);
    void endRecord(const QString &outcome);

    QString named(const QString &text) const;
    void detail(const QString &text);
    void reportToBoth(const QString &text);

    TransferContext &m_context;
    QByteArray m_request;
    QHostAddress m_unit;
    quint16 m_unitPort;
    Step m_step = Step::OperatingSystem;
    bool m_wantsOperatingSystem;
    bool m_wantsConfiguration;
    bool m_wantsGpsTable;
    int m_replies = 0;

    // The download in progress.
    bool m_isImage = false;
    QByteArray m_content; // the file's characters, or the image bytes
    int m_threshold = 0;  // images: the last packet starts past this byte
    QString m_successText;
    QString m_what;
    QByteArray m_packet; // in flight
    QByteArray m_identifier;
    bool m_lastPacket = false;
    int m_packetIndex = 0;
    int m_packetCount = 0;
    int m_ticks = 0;
    int m_timeouts = 0; // of the packet in flight
    Outcome m_outcome = Outcome::Running;

    // For the store: the download in hand, since when, its time-outs, what was sent.
    QString m_recordKind; // empty: none in hand
    QString m_recordWhat;
    qint64 m_recordStartedMs = 0;
    int m_recordTimeouts = 0;
    QByteArray m_recordSha256;
};
