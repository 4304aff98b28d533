#include "headless_server.h"

#include "listening_session.h"
#include "log_line.h"

#include "common/console_lines.h"
#include "common/datagram_socket.h"
#include "common/stop_signals.h"
#include "common/tick_clock.h"

#include <QDir>
#include <QTimer>

HeadlessServer::HeadlessServer(HeadlessServerOptions options, QObject *parent)
    : QObject(parent), m_options(std::move(options)),
      m_clock(new TickClock(m_options.tickIntervalMs, TickClock::Wrap::AboveSixtyBeforeIncrement,
                            this)),
      m_socket(new UdpDatagramSocket(this)),
      m_download(new RemoteDownload(*m_socket, *m_clock, *this, {}, this)),
      m_stopSignals(new StopSignals(this)), m_summary(new QTimer(this))
{
    m_download->setSessionLimit(m_options.sessions);
    m_socket->setReusePort(m_options.reusePort);
    if (m_options.store.isSet()) {
        auto *store = new FleetStore(m_options.store, this);
        connect(store, &FleetStore::line, this, [this](const QString &line) {
            addActivity(line);
            ConsoleLines::writeError(line);
        });
        m_download->setStore(store);
        store->start();
    }
    m_summary->setInterval(m_options.summaryIntervalMs);
    connect(m_summary, &QTimer::timeout, this, &HeadlessServer::writeSummary);
    if (m_options.baseFolder.isEmpty())
        m_options.baseFolder = QDir::currentPath();
    connect(m_stopSignals, &StopSignals::stopRequested, this, &HeadlessServer::stopRequested);
}

HeadlessServer::~HeadlessServer() = default;

int HeadlessServer::run()
{
    // As the console's load does.
    logLine(QStringLiteral(" Remote download started."));
    const std::optional<quint16> port = ListeningSession::selectPort(m_options.portText, *this);
    if (!port)
        return CannotListen;
    m_socket->setLocalPort(*port);
    m_summary->start();
    const bool listened =
        ListeningSession::listenUntilStopped(*m_download, *m_socket, *this, m_options.portText);
    m_summary->stop();
    if (!listened)
        return CannotListen;
    return Stopped;
}

void HeadlessServer::stopRequested(int count)
{
    m_download->stop();
    if (count > 1)
        m_download->end();
}

void HeadlessServer::addActivity(const QString &line)
{
    ConsoleLines::write(line);
}

void HeadlessServer::addDetail(const QString &line)
{
    if (!m_options.quiet)
        ConsoleLines::write(line);
}

void HeadlessServer::writeSummary()
{
    const TransferCounts counts = m_download->counts();
    if (counts.running == 0)
        return;
    ConsoleLines::write(QStringLiteral("Transfers: %1 running, %2 done, %3 given up, %4 refused")
                            .arg(counts.running)
                            .arg(counts.done)
                            .arg(counts.gaveUp)
                            .arg(counts.refused));
}

void HeadlessServer::logLine(const QString &text)
{
    LogLine::append(text);
}

QString HeadlessServer::operatingSystemBaseFolder() const
{
    return m_options.baseFolder;
}

QString HeadlessServer::configurationFilePath() const
{
    return m_options.configurationFile;
}

QString HeadlessServer::gpsTableFilePath() const
{
    return m_options.gpsTableFile;
}

void HeadlessServer::showOperatingSystemFolder(const QString &)
{
    // No file list to point anywhere.
}
