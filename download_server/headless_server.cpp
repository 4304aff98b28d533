#include "headless_server.h"

#include "listening_session.h"
#include "log_line.h"

#include "common/console_lines.h"
#include "common/datagram_socket.h"
#include "common/stop_signals.h"
#include "common/tick_clock.h"

#include <QDir>

HeadlessServer::HeadlessServer(HeadlessServerOptions options, QObject *parent)
    : QObject(parent), m_options(std::move(options)),
      m_clock(new TickClock(m_options.tickIntervalMs, TickClock::Wrap::AboveSixtyBeforeIncrement,
                            this)),
      m_socket(new UdpDatagramSocket(this)),
      m_download(new RemoteDownload(*m_socket, *m_clock, *this, {}, this)),
      m_stopSignals(new StopSignals(this))
{
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
    if (!ListeningSession::listenUntilStopped(*m_download, *m_socket, *this, m_options.portText))
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
