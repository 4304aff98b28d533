#include "remote_download.h"

#include "server_paths.h"

#include "common/datagram_socket.h"
#include "common/hex_pair.h"
#include "common/tick_clock.h"

#include <QFile>

namespace {
const QByteArray keywordOperatingSystem = "UPLOAD";
const QByteArray keywordConfiguration = "CONFIG";
const QByteArray keywordGpsTable = "GPSLOC";

const QString operatingSystemSuccess =
    QStringLiteral("Operating system has been downloaded successfull !");
const QString operatingSystemNotFound =
    QStringLiteral("Error : NO Operating system file found to upload !!!");
const QString configurationSuccess =
    QStringLiteral("Configuration file has been downloaded successfull !");
const QString configurationNotFound = QStringLiteral("Error : Configuration file not found !!!");
const QString gpsTableSuccess = QStringLiteral("GPS Camera file has been downloaded successfull !");
const QString gpsTableNotFound = QStringLiteral("Error : GPS Camera file not found !!!");

// The last packet of a configuration image starts at byte 450, of a GPS image at byte 540.
constexpr int configurationThreshold = 400;
constexpr int gpsTableThreshold = 530;

QString unitUpdateFailed(const char *error, const QByteArray &identifier)
{
    return QString::fromLatin1(error) + QStringLiteral(" : Unit update with UDP packet ID :") +
           QString::fromLatin1(identifier) + QStringLiteral(" not succesfull !");
}
} // namespace

RemoteDownload::RemoteDownload(DatagramSocket &socket, TickClock &clock, DownloadConsole &console,
                               ServerImageSource images, QObject *parent)
    : QObject(parent), m_socket(socket), m_clock(clock), m_console(console),
      m_images(std::move(images)), m_downloadImage(downloadImageSize, char(0xFF))
{
    connect(&m_socket, &DatagramSocket::datagramArrived, this, &RemoteDownload::datagramArrived);
}

QByteArray RemoteDownload::packetNumberText(int packetNumber)
{
    return QByteArray::number(packetNumber).rightJustified(3, '0');
}

int RemoteDownload::operatingSystemPacketCount(qsizetype length)
{
    return qMax(1, int((length + dataSize - 1) / dataSize));
}

int RemoteDownload::imagePacketCount(int lastPacketThreshold)
{
    // Packets start every 90 bytes; the first to start past the threshold is the last.
    return lastPacketThreshold / imageBytesPerPacket + 2;
}

bool RemoteDownload::startListening()
{
    m_dataArrived = false;
    m_ending = false;
    if (!m_socket.listen()) {
        m_socket.close();
        return false;
    }
    m_running = true;
    return true;
}

void RemoteDownload::runListeningLoop()
{
    m_looping = true;
    while (m_running && !m_ending) {
        if (m_dataArrived) {
            // Each datagram is examined once: the request is taken, and a reply left over from
            // a finished transfer is never read as a new request.
            m_dataArrived = false;
            handleRequest(m_lastMessage);
        }
        TickClock::waitUntil([this] { return m_dataArrived || !m_running || m_ending; });
    }
    m_socket.close();
    m_looping = false;
}

void RemoteDownload::datagramArrived(const QByteArray &data, const QHostAddress &sender,
                                     quint16 senderPort)
{
    m_console.addActivity(QStringLiteral("Recieved: ") + QString::fromLatin1(data));
    // During a transfer only the unit being served can answer; anyone else is shown and ignored.
    if (m_transferring && (sender != m_unit || senderPort != m_unitPort))
        return;
    m_lastMessage = data;
    m_lastSender = sender;
    m_lastSenderPort = senderPort;
    m_dataArrived = true;
}

void RemoteDownload::handleRequest(const QByteArray &request)
{
    const bool operatingSystem = request.contains(keywordOperatingSystem);
    const bool configuration = request.contains(keywordConfiguration);
    const bool gpsTable = request.contains(keywordGpsTable);
    if (!operatingSystem && !configuration && !gpsTable)
        return;
    m_console.logLine(QString::fromLatin1(request));

    m_unit = m_lastSender;
    m_unitPort = m_lastSenderPort;
    m_transferring = true;
    const int repliesBefore = m_repliesReceived;
    // A request naming several downloads gets the next one only while the unit has not
    // answered yet (a transfer that found nothing to send leaves the request standing).
    const auto requestStillStands = [&] { return m_repliesReceived == repliesBefore && !m_ending; };
    if (operatingSystem)
        sendOperatingSystem(request);
    if (configuration && requestStillStands())
        sendConfiguration(request);
    if (gpsTable && requestStillStands())
        sendGpsTable();
    m_transferring = false;
    m_console.clearPacketProgress();
}

void RemoteDownload::reportToBoth(const QString &text)
{
    m_console.addActivity(text);
    m_console.logLine(text);
}

void RemoteDownload::sendOperatingSystem(const QByteArray &request)
{
    const QByteArray identifier = request.left(6);
    // A request too short to name a folder is treated like a folder that does not exist.
    const QByteArray versionFolder = request.size() >= 11 ? request.mid(7, 4) : QByteArray();
    const ServerPaths::OperatingSystemFile location = ServerPaths::locateOperatingSystemFile(
        m_console.operatingSystemBaseFolder(), versionFolder);
    if (!location.folder.isEmpty())
        m_console.showOperatingSystemFolder(location.folder);

    QFile file(location.path);
    if (!location.found || !file.open(QIODevice::ReadOnly)) {
        m_console.logLine(operatingSystemNotFound);
        m_console.addActivity(operatingSystemNotFound);
        return;
    }
    // Refused before the first packet: a longer file would be cut at packet "255" and still be
    // reported as downloaded.
    if (file.size() > maximumOperatingSystemSize) {
        reportToBoth(QStringLiteral("Error : Operating system file %1 is longer than %2 "
                                    "characters, not sent !!!")
                         .arg(location.path)
                         .arg(maximumOperatingSystemSize));
        return;
    }
    const QByteArray content = file.readAll();
    file.close();

    const int packetCount = operatingSystemPacketCount(content.size());
    int packetNumber = 0;
    qsizetype offset = 0;
    for (int packet = 1;; ++packet) {
        TickClock::processPending();
        m_console.showPacketProgress(packet, packetCount);
        QByteArray data = content.mid(offset, dataSize);
        offset += data.size();
        if (data.size() < dataSize || offset >= content.size()) {
            data.append(dataSize - data.size(), 'F');
            packetNumber = 255;
        }
        const Outcome outcome = sendPacket(packetNumberText(packetNumber) + data, identifier);
        if (outcome == Outcome::Ended)
            return;
        if (outcome == Outcome::GaveUp) {
            reportToBoth(unitUpdateFailed("Error2", identifier));
            return;
        }
        if (packetNumber == 255) {
            reportToBoth(operatingSystemSuccess);
            return;
        }
        ++packetNumber;
    }
}

void RemoteDownload::reportRefused(const ServerImageResult &result, const QString &notFoundText)
{
    if (result.status == ServerImageResult::Status::Invalid && !result.problem.isEmpty())
        reportToBoth(result.problem);
    else
        reportToBoth(notFoundText);
}

void RemoteDownload::sendConfiguration(const QByteArray &request)
{
    const ServerImageResult result =
        m_images.configuration(m_console.configurationFilePath(), request, m_downloadImage);
    if (result.status != ServerImageResult::Status::Built) {
        reportRefused(result, configurationNotFound);
        return;
    }
    sendImage(m_downloadImage, configurationThreshold, configurationSuccess);
}

void RemoteDownload::sendGpsTable()
{
    const ServerImageResult result = m_images.gps(m_console.gpsTableFilePath(), m_downloadImage);
    if (result.status != ServerImageResult::Status::Built) {
        reportRefused(result, gpsTableNotFound);
        return;
    }
    sendImage(m_downloadImage, gpsTableThreshold, gpsTableSuccess);
}

void RemoteDownload::sendImage(const QByteArray &image, int lastPacketThreshold,
                               const QString &successText)
{
    QByteArray bytes = image;
    if (bytes.size() < downloadImageSize)
        bytes.append(downloadImageSize - bytes.size(), char(0xFF));

    const int packetCount = imagePacketCount(lastPacketThreshold);
    int packetNumber = 0;
    for (int base = 0, packet = 1;; base += imageBytesPerPacket, ++packet) {
        TickClock::processPending();
        m_console.showPacketProgress(packet, packetCount);
        if (base > lastPacketThreshold)
            packetNumber = 255;
        const QByteArray number = packetNumberText(packetNumber);
        const QByteArray data = HexPair::encode(bytes.mid(base, imageBytesPerPacket));
        const Outcome outcome = sendPacket(number + data, number);
        if (outcome == Outcome::Ended)
            return;
        if (outcome == Outcome::GaveUp) {
            reportToBoth(unitUpdateFailed("Error2", number));
            return;
        }
        if (packetNumber == 255) {
            reportToBoth(successText);
            return;
        }
        ++packetNumber;
    }
}

RemoteDownload::Outcome RemoteDownload::sendPacket(const QByteArray &packet,
                                                   const QByteArray &identifier)
{
    const QString sentLine = QStringLiteral("Packet number ") +
                             QString::fromLatin1(packet.left(3)) +
                             QStringLiteral(" has been send to Tracking unit.");
    int retryCount = 0;
    for (;;) {
        m_dataArrived = false;
        m_socket.sendTo(packet, m_unit, m_unitPort);

        m_clock.setTickCount(0);
        TickClock::waitUntil(
            [this] { return m_clock.tickCount() >= waitTicks || m_dataArrived || m_ending; });
        if (m_ending)
            return Outcome::Ended;
        m_console.addActivity(sentLine);

        bool accepted = false;
        if (m_dataArrived) {
            accepted = m_lastMessage.size() >= 6 && m_lastMessage.at(5) == '1';
            m_dataArrived = false; // the reply is used up here
            ++m_repliesReceived;
        } else {
            m_console.addActivity(unitUpdateFailed("Error1", identifier));
        }
        if (m_clock.tickCount() > waitTicks - 1) {
            ++retryCount;
            accepted = false;
        }
        if (accepted)
            return Outcome::Acknowledged;
        if (retryCount >= maximumTimeouts)
            return Outcome::GaveUp;
        // A refusal (or a late reply) sends the same packet again at once.
    }
}
