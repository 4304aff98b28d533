#include "realtime_receiver.h"

#include "common/datagram_socket.h"
#include "common/tick_clock.h"

#include <QTimer>

using namespace ReceiverText;

RealtimeReceiver::RealtimeReceiver(DatagramSocket &socket, ReceiverConsole &console,
                                   std::chrono::milliseconds answerPause, QObject *parent)
    : QObject(parent), m_socket(socket), m_console(console), m_answerPause(answerPause)
{
    connect(&m_socket, &DatagramSocket::datagramArrived, this,
            [this](const QByteArray &data) { datagramArrived(data); });
}

void RealtimeReceiver::logMessage(const QString &text)
{
    for (const QString &line : logLines(text))
        m_console.addLine(line);
}

bool RealtimeReceiver::selectPort(const QString &portText)
{
    if (portText.isEmpty()) {
        m_console.addLine(QStringLiteral("No Port Specified"));
        return false;
    }
    const std::optional<quint16> port = portNumber(portText);
    if (!port) {
        logMessage(QStringLiteral("Invalid port: ") + portText +
                   QStringLiteral(" (a number from 1 to 65535)"));
        return false;
    }
    m_socket.setLocalPort(*port);
    m_selectedPortText = portText;
    logMessage(QStringLiteral("Port :") + portText + QStringLiteral(" selected !"));
    return true;
}

bool RealtimeReceiver::listen()
{
    if (m_listening)
        return false;
    m_dataArrived = false;
    if (!m_socket.listen()) {
        logMessage(QStringLiteral("Cannot listen on port ") + m_selectedPortText +
                   QStringLiteral(": ") + m_socket.errorString());
        return false;
    }
    m_listening = true;
    // A command queued before the last stop still waits for its acknowledgement.
    commandQueueChanged();
    logMessage(QStringLiteral("Started, listening on port ") + m_console.portText());
    m_console.listeningStarted();
    m_running = true;

    while (m_running) {
        if (m_dataArrived)
            answerArrivedData();
        TickClock::waitUntil([this] { return !m_running || m_dataArrived; });
    }

    m_socket.close();
    m_listening = false;
    commandQueueChanged();
    logMessage(QStringLiteral("Stopped, listening on port ") + m_console.portText());
    return true;
}

void RealtimeReceiver::answerArrivedData()
{
    const QString identifier = m_answerIdentifier;
    pauseBeforeAnswer();

    const QString command = m_pendingCommand;
    if (m_socket.sendToLastSender(acknowledgementDatagram(identifier, command))) {
        logMessage(QStringLiteral("Send: ") + acknowledgementText(identifier, command));
        m_pendingCommand.clear();
    } else {
        // The command stays queued for the next acknowledgement.
        logMessage(QStringLiteral("Send failed: ") + acknowledgementText(identifier, command) +
                   QStringLiteral(" (") + m_socket.errorString() + QStringLiteral(")"));
    }
    m_dataArrived = false;
    commandQueueChanged();
}

void RealtimeReceiver::pauseBeforeAnswer()
{
    // Arrivals, clicks and ticks are handled meanwhile.
    QTimer pause;
    pause.setSingleShot(true);
    pause.start(m_answerPause);
    TickClock::waitUntil([&pause] { return !pause.isActive(); });
}

bool RealtimeReceiver::queueCommand(const QString &command)
{
    if (!m_listening) {
        logMessage(QStringLiteral("You didnt set remote host/port"));
        return false;
    }
    m_pendingCommand = command;
    logMessage(m_pendingCommand);
    m_console.commandQueueChanged(false);
    return true;
}

void RealtimeReceiver::commandQueueChanged()
{
    m_console.commandQueueChanged(canQueueCommand());
}

void RealtimeReceiver::datagramArrived(const QByteArray &data)
{
    m_lastMessage = messageText(data);
    logMessage(QStringLiteral("Received: ") + m_lastMessage);
    // A burst is answered once, with the identifier of its first datagram.
    if (!m_dataArrived)
        m_answerIdentifier = identifierOf(m_lastMessage);
    m_dataArrived = true;
}
