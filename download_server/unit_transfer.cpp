#include "unit_transfer.h"

#include "image_cache.h"
#include "remote_download.h"
#include "server_paths.h"

#include "common/hex_pair.h"
#include "common/network/datagram_socket.h"
#include "common/store/fleet_store.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>

#include <memory>

namespace {
constexpr char keywordOperatingSystem[] = "UPLOAD";
constexpr char keywordConfiguration[] = "CONFIG";
constexpr char keywordGpsTable[] = "GPSLOC";

constexpr char operatingSystemSuccess[] = "Operating system has been downloaded successfull !";
constexpr char operatingSystemNotFound[] = "Error : NO Operating system file found to upload !!!";
constexpr char configurationSuccess[] = "Configuration file has been downloaded successfull !";
constexpr char configurationNotFound[] = "Error : Configuration file not found !!!";
constexpr char gpsTableSuccess[] = "GPS Camera file has been downloaded successfull !";
constexpr char gpsTableNotFound[] = "Error : GPS Camera file not found !!!";

// The last packet of a configuration image starts at byte 450, of a GPS image at byte 540.
constexpr int configurationThreshold = 400;
constexpr int gpsTableThreshold = 530;

QString unitUpdateFailed(const char *error, const QByteArray &identifier)
{
    return QString::fromLatin1(error) + QStringLiteral(" : Unit update with UDP packet ID :") +
           QString::fromLatin1(identifier) + QStringLiteral(" not succesfull !");
}
} // namespace

ServerImageSource::ServerImageSource()
{
    auto cache = std::make_shared<ServerImageCache>();
    configuration = [cache](const QString &path, const QByteArray &request, QByteArray &image) {
        return cache->configuration(path, request, image);
    };
    gps = [cache](const QString &path, QByteArray &image) { return cache->gps(path, image); };
}

bool UnitTransfer::isRequest(const QByteArray &datagram)
{
    return datagram.contains(keywordOperatingSystem) || datagram.contains(keywordConfiguration) ||
           datagram.contains(keywordGpsTable);
}

UnitTransfer::UnitTransfer(TransferContext &context, const QByteArray &request,
                           const QHostAddress &unit, quint16 unitPort)
    : m_context(context), m_request(request), m_unit(unit), m_unitPort(unitPort),
      m_wantsOperatingSystem(request.contains(keywordOperatingSystem)),
      m_wantsConfiguration(request.contains(keywordConfiguration)),
      m_wantsGpsTable(request.contains(keywordGpsTable))
{
}

UnitTransfer::~UnitTransfer()
{
    if (isRunning())
        endRecord(QStringLiteral("stopped"));
}

void UnitTransfer::recordRefusal(TransferContext &context, const QByteArray &request,
                                 const QHostAddress &unit, quint16 port)
{
    if (!context.store)
        return;
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    const char *kind = request.contains(keywordOperatingSystem) ? keywordOperatingSystem
                       : request.contains(keywordConfiguration) ? keywordConfiguration
                                                                : keywordGpsTable;
    const QString identifier = QString::fromLatin1(request.left(6));
    context.store->unitHeard(identifier, unit.toString(), port, now, QString::fromLatin1(request));
    context.store->addTransfer({identifier,
                                unit.toString(),
                                port,
                                QString::fromLatin1(kind),
                                {},
                                {},
                                0,
                                0,
                                QStringLiteral("refused busy"),
                                now,
                                now});
}

void UnitTransfer::beginRecord(const char *kind, const QString &what)
{
    m_recordKind = QString::fromLatin1(kind);
    m_recordWhat = what;
    m_recordStartedMs = QDateTime::currentMSecsSinceEpoch();
    m_recordTimeouts = 0;
    m_recordSha256.clear();
}

void UnitTransfer::endRecord(const QString &outcome)
{
    if (!m_context.store || m_recordKind.isEmpty())
        return;
    m_context.store->addTransfer(
        {QString::fromLatin1(m_request.left(6)), m_unit.toString(), m_unitPort, m_recordKind,
         m_recordWhat, QString::fromLatin1(m_recordSha256), m_packetCount, m_recordTimeouts,
         outcome, m_recordStartedMs, QDateTime::currentMSecsSinceEpoch()});
    m_recordKind.clear();
}

QByteArray UnitTransfer::packetNumberText(int packetNumber)
{
    return QByteArray::number(packetNumber).rightJustified(3, '0');
}

int UnitTransfer::operatingSystemPacketCount(qsizetype length)
{
    // An empty file still sends its last packet.
    return qMax(1, int((length + dataSize - 1) / dataSize));
}

int UnitTransfer::imagePacketCount(int lastPacketThreshold)
{
    // Packets start every 90 bytes; the first to start past the threshold is the last.
    return lastPacketThreshold / imageBytesPerPacket + 2;
}

QByteArray UnitTransfer::identifierOf(const QByteArray &datagram)
{
    return datagram.left(6);
}

QString UnitTransfer::unitSuffix(const QByteArray &identifier, const QHostAddress &unit,
                                 quint16 port)
{
    const QString address = QStringLiteral("%1:%2").arg(unit.toString()).arg(port);
    if (identifier.isEmpty())
        return QStringLiteral(" (unit %1)").arg(address);
    return QStringLiteral(" (unit %1 %2)").arg(QString::fromLatin1(identifier), address);
}

QString UnitTransfer::unitText() const
{
    return QStringLiteral("%1:%2").arg(m_unit.toString()).arg(m_unitPort);
}

QString UnitTransfer::named(const QString &text) const
{
    return m_context.namesUnits ? text + unitSuffix(unitIdentifier(), m_unit, m_unitPort) : text;
}

void UnitTransfer::detail(const QString &text)
{
    m_context.console.addDetail(named(text));
}

void UnitTransfer::reportToBoth(const QString &text)
{
    const QString line = named(text);
    m_context.console.addActivity(line);
    m_context.console.logLine(line);
}

void UnitTransfer::start()
{
    if (m_context.store)
        m_context.store->unitHeard(QString::fromLatin1(m_request.left(6)), m_unit.toString(),
                                   m_unitPort, QDateTime::currentMSecsSinceEpoch(),
                                   QString::fromLatin1(m_request));
    m_context.console.logLine(named(QString::fromLatin1(m_request)));
    beginNextDownload();
}

void UnitTransfer::beginNextDownload()
{
    // A request naming several downloads gets the next one only while the unit has not answered
    // yet (a download that found nothing to send leaves the request standing).
    while (m_step != Step::Done) {
        const Step step = m_step;
        m_step = Step(int(m_step) + 1);
        if (m_replies > 0)
            break;
        if (step == Step::OperatingSystem && m_wantsOperatingSystem && beginOperatingSystem())
            return;
        if (step == Step::Configuration && m_wantsConfiguration && beginConfiguration())
            return;
        if (step == Step::GpsTable && m_wantsGpsTable && beginGpsTable())
            return;
    }
    finish(Outcome::NothingSent);
}

bool UnitTransfer::beginOperatingSystem()
{
    // A request too short to name a folder is treated like a folder that does not exist.
    const QByteArray versionFolder = m_request.size() >= 11 ? m_request.mid(7, 4) : QByteArray();
    const ServerPaths::OperatingSystemFile location = ServerPaths::locateOperatingSystemFile(
        m_context.settings.operatingSystemBase(), versionFolder);
    if (!location.folder.isEmpty())
        m_context.console.showOperatingSystemFolder(location.folder);
    beginRecord(keywordOperatingSystem,
                QString::fromLatin1(versionFolder) + u'/' +
                    (location.found ? QFileInfo(location.path).fileName() : QString()));

    QFile file(location.path);
    if (!location.found || !file.open(QIODevice::ReadOnly)) {
        m_context.console.logLine(named(operatingSystemNotFound));
        m_context.console.addActivity(named(operatingSystemNotFound));
        endRecord(QStringLiteral("not found"));
        return false;
    }
    // Refused before the first packet: a longer file would be cut at packet "255" and still be
    // reported as downloaded.
    if (file.size() > maximumOperatingSystemSize) {
        reportToBoth(QStringLiteral("Error : Operating system file %1 is longer than %2 "
                                    "characters, not sent !!!")
                         .arg(location.path)
                         .arg(maximumOperatingSystemSize));
        endRecord(QStringLiteral("too long"));
        return false;
    }
    file.close();
    const std::optional<QByteArray> content = m_context.files.read(location.path);
    if (!content) {
        m_context.console.logLine(named(operatingSystemNotFound));
        m_context.console.addActivity(named(operatingSystemNotFound));
        endRecord(QStringLiteral("not found"));
        return false;
    }
    m_content = *content; // shared with every other transfer of the same file
    m_isImage = false;
    m_identifier = m_request.left(6);
    m_successText = operatingSystemSuccess;
    m_what = QStringLiteral("Operating system ") + QString::fromLatin1(versionFolder) + u'/' +
             QFileInfo(location.path).fileName();
    beginPackets(operatingSystemPacketCount(m_content.size()));
    return true;
}

bool UnitTransfer::beginConfiguration()
{
    QByteArray image;
    beginRecord(keywordConfiguration, m_context.settings.configurationFile());
    const ServerImageResult result =
        m_context.images.configuration(m_context.settings.configurationFile(), m_request, image);
    return beginImage(result, image, configurationNotFound, configurationThreshold,
                      configurationSuccess, QStringLiteral("Configuration"));
}

bool UnitTransfer::beginGpsTable()
{
    QByteArray image;
    beginRecord(keywordGpsTable, m_context.settings.gpsTableFile());
    const ServerImageResult result = m_context.images.gps(m_context.settings.gpsTableFile(), image);
    return beginImage(result, image, gpsTableNotFound, gpsTableThreshold, gpsTableSuccess,
                      QStringLiteral("GPS locations table"));
}

bool UnitTransfer::beginImage(const ServerImageResult &result, const QByteArray &image,
                              const QString &notFoundText, int threshold,
                              const QString &successText, const QString &what)
{
    if (result.status != ServerImageResult::Status::Built) {
        const bool invalid =
            result.status == ServerImageResult::Status::Invalid && !result.problem.isEmpty();
        reportToBoth(invalid ? result.problem : notFoundText);
        endRecord(invalid ? QStringLiteral("invalid") : QStringLiteral("not found"));
        return false;
    }
    m_content = image;
    if (m_content.size() < downloadImageSize)
        m_content.append(downloadImageSize - m_content.size(), char(0xFF));
    m_isImage = true;
    m_threshold = threshold;
    m_successText = successText;
    m_what = what;
    beginPackets(imagePacketCount(threshold));
    return true;
}

void UnitTransfer::beginPackets(int count)
{
    m_packetIndex = 0;
    m_packetCount = count;
    if (m_context.store)
        m_recordSha256 = QCryptographicHash::hash(m_content, QCryptographicHash::Sha256).toHex();
    sendCurrentPacket();
}

void UnitTransfer::sendCurrentPacket()
{
    if (m_context.showsProgress)
        m_context.console.showPacketProgress(m_packetIndex + 1, m_packetCount);
    if (m_isImage) {
        const int base = m_packetIndex * imageBytesPerPacket;
        m_lastPacket = base > m_threshold;
        const QByteArray number = packetNumberText(m_lastPacket ? 255 : m_packetIndex);
        m_identifier = number;
        m_packet = number + HexPair::encode(m_content.mid(base, imageBytesPerPacket));
    } else {
        const qsizetype offset = qsizetype(m_packetIndex) * dataSize;
        QByteArray data = m_content.mid(offset, dataSize);
        m_lastPacket = data.size() < dataSize || offset + data.size() >= m_content.size();
        if (m_lastPacket)
            data.append(dataSize - data.size(), 'F');
        m_packet = packetNumberText(m_lastPacket ? 255 : m_packetIndex) + data;
    }
    m_timeouts = 0;
    ++m_context.packetsSent;
    send();
}

void UnitTransfer::send()
{
    m_ticks = 0;
    m_context.socket.sendTo(m_packet, m_unit, m_unitPort);
}

void UnitTransfer::replyArrived(const QByteArray &reply)
{
    if (!isRunning())
        return;
    ++m_replies;
    waitEnded(true, reply.size() >= 6 && reply.at(5) == '1');
}

void UnitTransfer::tick()
{
    if (isRunning() && ++m_ticks >= waitTicks)
        waitEnded(false, false);
}

void UnitTransfer::waitEnded(bool replied, bool accepted)
{
    detail(QStringLiteral("Packet number ") + QString::fromLatin1(m_packet.left(3)) +
           QStringLiteral(" has been send to Tracking unit."));
    if (!replied) {
        detail(unitUpdateFailed("Error1", m_identifier));
        ++m_timeouts;
        ++m_recordTimeouts;
        ++m_context.timeouts;
    }
    if (accepted) {
        if (m_lastPacket) {
            reportToBoth(m_successText);
            endRecord(QStringLiteral("downloaded"));
            finish(Outcome::Downloaded);
            return;
        }
        ++m_packetIndex;
        sendCurrentPacket();
        return;
    }
    if (m_timeouts >= maximumTimeouts) {
        reportToBoth(unitUpdateFailed("Error2", m_identifier));
        endRecord(QStringLiteral("gave up"));
        finish(Outcome::GaveUp);
        return;
    }
    // A refusal sends the same packet again at once; so does a time-out.
    ++m_context.packetsResent;
    send();
}

void UnitTransfer::finish(Outcome outcome)
{
    m_outcome = outcome;
    m_packet.clear();
    m_content.clear();
}
