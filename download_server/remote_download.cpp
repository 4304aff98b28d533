#include "remote_download.h"

#include "common/network/datagram_socket.h"
#include "common/tick_clock.h"

RemoteDownload::RemoteDownload(DatagramSocket &socket, TickClock &clock, DownloadConsole &console,
                               ServerImageSource images, QObject *parent)
    : QObject(parent), m_socket(socket), m_clock(clock), m_console(console),
      m_images(std::move(images)), m_context{m_socket, m_console, m_settings, m_images, m_files}
{
    connect(&m_socket, &DatagramSocket::datagramArrived, this, &RemoteDownload::datagramArrived);
    connect(&m_clock, &TickClock::ticked, this, &RemoteDownload::ticked);
}

RemoteDownload::~RemoteDownload() = default;

void RemoteDownload::setSessionLimit(int sessions)
{
    m_sessionLimit = qBound(1, sessions, maximumSessions);
    m_context.namesUnits = m_sessionLimit > 1;
    m_context.showsProgress = m_sessionLimit == 1;
}

bool RemoteDownload::startListening(const QString &portText)
{
    if (m_listening)
        return false;
    if (!m_socket.hasLocalPort() || !m_socket.listen()) {
        const QString reason =
            m_socket.hasLocalPort() ? m_socket.errorString() : QStringLiteral("no port set");
        m_socket.close();
        m_console.addActivity(QStringLiteral("Error : cannot listen on port ") + portText +
                              QStringLiteral(" (") + reason + QStringLiteral(") !"));
        return false;
    }
    m_portText = portText;
    m_listening = true;
    m_running = true;
    m_counts = {};
    m_console.addActivity(QStringLiteral("Started, listening on port ") + portText);
    m_context.packetsSent = m_context.packetsResent = m_context.timeouts = 0;
    return true;
}

void RemoteDownload::stop()
{
    m_running = false;
    endListeningWhenIdle();
}

void RemoteDownload::end()
{
    m_running = false;
    if (!m_listening)
        return;
    // The transfers EXIT cuts count as running in the last tally.
    const QString tally = countsLine();
    endAll();
    endListening(tally);
}

void RemoteDownload::endListeningWhenIdle()
{
    if (m_listening && !m_running && m_transfers.isEmpty())
        endListening(countsLine());
}

void RemoteDownload::endListening(const QString &tally)
{
    m_socket.close();
    m_listening = false;
    if (m_sessionLimit > 1)
        m_console.addActivity(tally);
    m_console.addActivity(QStringLiteral("Stopped, listening on port ") + m_portText);
    emit listeningEnded();
}

void RemoteDownload::endAll()
{
    if (m_transfers.isEmpty())
        return;
    m_transfers.clear();
    m_startOrder.clear();
    m_console.clearPacketProgress();
}

void RemoteDownload::datagramArrived(const QByteArray &data, const QHostAddress &sender,
                                     quint16 senderPort)
{
    const UnitKey unit{sender, senderPort};
    const auto found = m_transfers.constFind(unit);
    // A unit being served is named by its request; any other sender by what it sent.
    const QByteArray identifier = found != m_transfers.cend() ? found.value()->unitIdentifier()
                                                              : UnitTransfer::identifierOf(data);
    const QString suffix =
        m_context.namesUnits ? UnitTransfer::unitSuffix(identifier, sender, senderPort) : QString();
    const QString received = QStringLiteral("Recieved: ") + QString::fromLatin1(data) + suffix;
    // Every datagram is examined once: from a unit being served it is that transfer's reply
    // (whatever keywords it holds); otherwise it may be a request.
    if (found != m_transfers.cend()) {
        // A copy: the transfer may be removed while it handles the reply.
        // NOLINTNEXTLINE(performance-unnecessary-copy-initialization)
        const std::shared_ptr<UnitTransfer> transfer = found.value();
        m_console.addDetail(received);
        transfer->replyArrived(data);
        settle(unit);
        return;
    }
    const bool request = UnitTransfer::isRequest(data);
    if (!request || !m_running || !m_listening) {
        if (!request)
            ++m_counts.strangers;
        m_console.addDetail(received);
        return;
    }
    m_console.addActivity(received);
    if (m_transfers.size() >= m_sessionLimit) {
        // A lone transfer ignores other callers as it always did; with several, a refusal is
        // shown so the operator sees the fleet waiting. Nothing is sent: the unit calls again.
        if (m_sessionLimit > 1) {
            ++m_counts.refused;
            UnitTransfer::recordRefusal(m_context, data, sender, senderPort);
            const QString line = QStringLiteral("Busy : %1 transfers in progress, request not "
                                                "served")
                                     .arg(m_transfers.size()) +
                                 suffix;
            m_console.addActivity(line);
            m_console.logLine(line);
        }
        return;
    }
    startTransfer(data, unit);
}

void RemoteDownload::startTransfer(const QByteArray &request, const UnitKey &unit)
{
    auto transfer = std::make_shared<UnitTransfer>(m_context, request, unit.first, unit.second);
    m_transfers.insert(unit, transfer);
    m_startOrder.append(unit);
    transfer->start();
    settle(unit);
}

void RemoteDownload::ticked()
{
    // Copied: a transfer that ends is removed while the others still get their tick.
    const QList<UnitKey> units = m_startOrder;
    for (const UnitKey &unit : units) {
        if (const std::shared_ptr<UnitTransfer> transfer = m_transfers.value(unit)) {
            transfer->tick();
            settle(unit);
        }
    }
}

void RemoteDownload::settle(const UnitKey &unit)
{
    const auto found = m_transfers.find(unit);
    if (found == m_transfers.end() || found.value()->isRunning())
        return;
    switch (found.value()->outcome()) {
    case UnitTransfer::Outcome::Downloaded:
        ++m_counts.done;
        break;
    case UnitTransfer::Outcome::GaveUp:
        ++m_counts.gaveUp;
        break;
    case UnitTransfer::Outcome::NothingSent:
        ++m_counts.nothingSent;
        break;
    default:
        break;
    }
    m_transfers.remove(unit);
    m_startOrder.removeOne(unit);
    if (m_context.showsProgress)
        m_console.clearPacketProgress();
    endListeningWhenIdle();
}

TransferCounts RemoteDownload::counts() const
{
    TransferCounts counts = m_counts;
    counts.running = int(m_transfers.size());
    counts.packetsSent = m_context.packetsSent;
    counts.packetsResent = m_context.packetsResent;
    counts.timeouts = m_context.timeouts;
    return counts;
}

QString RemoteDownload::countsLine() const
{
    const TransferCounts now = counts();
    return QStringLiteral("Transfers: %1 running, %2 done, %3 given up, %4 refused")
        .arg(now.running)
        .arg(now.done)
        .arg(now.gaveUp)
        .arg(now.refused);
}

QList<TransferInProgress> RemoteDownload::transfersInProgress(int limit) const
{
    QList<TransferInProgress> list;
    for (const UnitKey &unit : m_startOrder) {
        if (list.size() >= limit)
            break;
        const std::shared_ptr<UnitTransfer> transfer = m_transfers.value(unit);
        if (!transfer)
            continue;
        list.append({transfer->unitText(), QString::fromLatin1(transfer->unitIdentifier()),
                     transfer->what(), transfer->packet(), transfer->packetCount(),
                     transfer->timeouts()});
    }
    return list;
}
