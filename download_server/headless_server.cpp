#include "headless_server.h"

#include "listening_session.h"
#include "log_line.h"

#include "common/console_lines.h"
#include "common/network/datagram_socket.h"
#include "common/service/service_notifier.h"
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
      m_stopSignals(new StopSignals(this)), m_summary(new QTimer(this)),
      m_service(new ServiceNotifier(this)), m_serviceRefresh(new QTimer(this))
{
    m_download->setSessionLimit(m_options.sessions);
    m_socket->setReusePort(m_options.reusePort);
    if (m_options.store.isSet()) {
        m_store = new FleetStore(m_options.store, this);
        connect(m_store, &FleetStore::line, this, [this](const QString &line) {
            addActivity(line);
            ConsoleLines::writeError(line);
        });
        m_download->setStore(m_store);
        m_store->start();
    }
    m_summary->setInterval(m_options.summaryIntervalMs);
    connect(m_summary, &QTimer::timeout, this, &HeadlessServer::writeSummary);
    if (m_options.baseFolder.isEmpty())
        m_options.baseFolder = QDir::currentPath();
    ServerSettings &served = m_download->settings();
    served.setOperatingSystemBase(m_options.baseFolder);
    served.setConfigurationFile(m_options.configurationFile);
    served.setGpsTableFile(m_options.gpsTableFile);
    connect(m_stopSignals, &StopSignals::stopRequested, this, &HeadlessServer::stopRequested);
    connect(m_download, &RemoteDownload::listeningEnded, this, &HeadlessServer::listeningEnded);
    m_serviceRefresh->setInterval(1000);
    connect(m_serviceRefresh, &QTimer::timeout, this, &HeadlessServer::refreshService);
}

HeadlessServer::~HeadlessServer() = default;

bool HeadlessServer::start()
{
    // As the console's load does.
    logLine(QStringLiteral(" Remote download started."));
    const std::optional<quint16> port =
        ListeningSession::selectPort(m_options.portText, *this, true);
    if (!port)
        return false;
    m_socket->setLocalPort(*port);
    if (!m_options.metricsEndpoint.isEmpty()) {
        m_metrics =
            ServiceMetrics::start(ServiceMetrics::Program::Server, m_options.metricsEndpoint);
        if (!m_metrics)
            return false;
    }
    if (!m_download->startListening(m_options.portText))
        return false;
    ConsoleLines::write(QStringLiteral("Listening on UDP port %1").arg(m_socket->boundPort()));
    m_summary->start();
    // The service manager learns of the start once the port listens.
    refreshService();
    m_service->ready();
    m_serviceRefresh->start();
    return true;
}

void HeadlessServer::listeningEnded()
{
    m_summary->stop();
    m_serviceRefresh->stop();
    emit finished(Stopped);
}

void HeadlessServer::stopRequested(int count)
{
    m_service->stopping();
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
    if (m_download->counts().running == 0)
        return;
    ConsoleLines::write(m_download->countsLine());
}

void HeadlessServer::refreshService()
{
    const TransferCounts counts = m_download->counts();
    m_service->status(m_download->countsLine());
    if (!m_metrics)
        return;
    using Counter = ServiceMetrics::Counter;
    m_metrics->catchUp(Counter::TransfersDownloaded, counts.done);
    m_metrics->catchUp(Counter::TransfersGaveUp, counts.gaveUp);
    m_metrics->catchUp(Counter::TransfersNothingSent, counts.nothingSent);
    m_metrics->catchUp(Counter::BusyRefusals, counts.refused);
    m_metrics->catchUp(Counter::PacketsSent, counts.packetsSent);
    m_metrics->catchUp(Counter::PacketsResent, counts.packetsResent);
    m_metrics->catchUp(Counter::Timeouts, counts.timeouts);
    m_metrics->catchUp(Counter::StrangerDatagrams, counts.strangers);
    m_metrics->set(ServiceMetrics::Gauge::TransfersRunning, counts.running);
    if (m_store)
        m_metrics->showStore(*m_store);
}

void HeadlessServer::logLine(const QString &text)
{
    LogLine::append(text);
}

void HeadlessServer::showOperatingSystemFolder(const QString &)
{
    // No file list to point anywhere.
}
