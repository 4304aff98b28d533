#include "headless_receiver.h"

#include "standard_input_lines.h"

#include "common/console_lines.h"
#include "common/network/datagram_socket.h"
#include "common/service/service_notifier.h"
#include "common/stop_signals.h"

#include <QTimer>

namespace {
constexpr int summaryIntervalMs = 10000;
}

HeadlessReceiver::HeadlessReceiver(const QString &portText, const StoreSettings &store,
                                   bool reusePort, const QString &metricsEndpoint, QObject *parent)
    : QObject(parent), m_portText(portText), m_store(store), m_metricsEndpoint(metricsEndpoint),
      m_socket(new UdpDatagramSocket(this)),
      m_receiver(new RealtimeReceiver(*m_socket, *this, ReceiverText::answerPause, this)),
      m_stopSignals(new StopSignals(this)), m_input(new StandardInputLines(this)),
      m_service(new ServiceNotifier(this))
{
    m_socket->setReusePort(reusePort);
    connect(m_stopSignals, &StopSignals::stopRequested, m_service, &ServiceNotifier::stopping);
    connect(m_stopSignals, &StopSignals::stopRequested, m_receiver, &RealtimeReceiver::stop);
    connect(m_input, &StandardInputLines::lineRead, this, &HeadlessReceiver::commandRead);
    connect(m_input, &StandardInputLines::ended, this, &HeadlessReceiver::inputEnded);
    m_summaryTimer.setInterval(summaryIntervalMs);
    connect(&m_summaryTimer, &QTimer::timeout, this, &HeadlessReceiver::summarize);
    m_serviceRefresh.setInterval(1000);
    connect(&m_serviceRefresh, &QTimer::timeout, this, &HeadlessReceiver::refreshService);
}

HeadlessReceiver::~HeadlessReceiver() = default;

bool HeadlessReceiver::start()
{
    if (m_store.isSet())
        m_receiver->useStore(m_store); // a store that fails leaves the receiving as it is
    if (!m_metricsEndpoint.isEmpty()) {
        m_metrics = ServiceMetrics::start(ServiceMetrics::Program::Quellix, m_metricsEndpoint);
        if (!m_metrics)
            return false;
    }
    if (!m_receiver->selectPort(m_portText, true) || !m_receiver->listen())
        return false;
    addLine(QStringLiteral("Listening on UDP port %1").arg(m_socket->boundPort()));
    m_summaryTimer.start();
    return true;
}

void HeadlessReceiver::listeningEnded()
{
    m_summaryTimer.stop();
    m_serviceRefresh.stop();
    emit finished(Stopped);
}

QString HeadlessReceiver::inputEndedText()
{
    return QStringLiteral("Quellix: standard input has ended, so no more commands are read from "
                          "it. Commands can still be queued: in the fleet store, when Quellix runs "
                          "with --store (Quellix --store LOCATION --send ID COMMAND), or through "
                          "a named pipe held open as "
                          "standard input (mkfifo quellix.in; Quellix --headless < quellix.in).");
}

void HeadlessReceiver::inputEnded()
{
    ConsoleLines::writeError(inputEndedText());
}

void HeadlessReceiver::commandRead(const QString &command)
{
    if (ReceiverText::isUnitCommandLine(command)) {
        const ReceiverText::UnitCommandLine line = ReceiverText::parseUnitCommandLine(command);
        if (!line.error.isEmpty())
            addLine(line.error);
        else
            m_receiver->queueUnitCommand(line.identifier, line.command);
        return;
    }
    m_commands.enqueue(command);
    queueNextCommand();
}

void HeadlessReceiver::queueNextCommand()
{
    if (!m_commands.isEmpty() && m_receiver->canQueueCommand())
        m_receiver->queueCommand(m_commands.dequeue());
}

void HeadlessReceiver::summarize()
{
    const quint64 received = m_receiver->received() - m_summarizedReceived;
    const quint64 answered = m_receiver->answered() - m_summarizedAnswered;
    if (received == 0)
        return;
    m_summarizedReceived += received;
    m_summarizedAnswered += answered;
    addLine(QStringLiteral("Units: %1 heard, %2 messages and %3 answers in the last 10 s, %4 "
                           "commands pending")
                .arg(m_receiver->units().size())
                .arg(received)
                .arg(answered)
                .arg(m_receiver->pendingCommands().size()));
}

void HeadlessReceiver::listeningStarted()
{
    refreshService();
    m_service->ready();
    m_serviceRefresh.start();
}

void HeadlessReceiver::refreshService()
{
    m_service->status(QStringLiteral("Units: %1 heard, %2 messages, %3 answers, %4 commands "
                                     "pending")
                          .arg(m_receiver->units().size())
                          .arg(m_receiver->received())
                          .arg(m_receiver->answered())
                          .arg(m_receiver->pendingCommands().size()));
    if (!m_metrics)
        return;
    using Counter = ServiceMetrics::Counter;
    m_metrics->catchUp(Counter::MessagesReceived, m_receiver->received());
    m_metrics->catchUp(Counter::AnswersSent, m_receiver->answered());
    m_metrics->catchUp(Counter::CommandsSent, m_receiver->commandsSent());
    m_metrics->set(ServiceMetrics::Gauge::UnitsKnown, double(m_receiver->units().size()));
    if (const FleetStore *store = m_receiver->store())
        m_metrics->showStore(*store);
}

void HeadlessReceiver::addLine(const QString &line)
{
    ConsoleLines::write(line);
}

void HeadlessReceiver::commandQueueChanged(bool canQueue)
{
    // Once the receiver has finished its step, as a click on "Send Data" would come after it.
    if (canQueue && !m_commands.isEmpty())
        QTimer::singleShot(0, this, &HeadlessReceiver::queueNextCommand);
}
