#pragma once

#include "receiver_text.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <chrono>

class DatagramSocket;

// Where the receiver shows its lines and which controls follow its state: the window's List1
// and buttons, or standard output when Quellix runs without a window.
class ReceiverConsole
{
public:
    virtual ~ReceiverConsole() = default;
    // One line of the activity list.
    virtual void addLine(const QString &line) = 0;
    // The port text as it reads now (txtport), named by the start and stop lines.
    virtual QString portText() const = 0;
    // Listening has started (the Start line is shown): Start off, Stop on.
    virtual void listeningStarted() {}
    // Whether a command can be queued now ("Send Data" enabled).
    virtual void commandQueueChanged(bool canQueue) {}
};

// Quellix's work: the port, the listening loop that shows every real-time message and answers
// it with its identifier, ",1" and the pending command, and the queueing of that command.
class RealtimeReceiver : public QObject
{
    Q_OBJECT
public:
    RealtimeReceiver(DatagramSocket &socket, ReceiverConsole &console,
                     std::chrono::milliseconds answerPause = ReceiverText::answerPause,
                     QObject *parent = nullptr);

    // A text as one line up to 100 characters, else as the first 100 and the rest.
    void logMessage(const QString &text);

    // "&Set host/port": true when the text names a port, which the socket then takes.
    bool selectPort(const QString &portText);
    // "&Start": listens and answers until stop(). False when it did not listen: the socket
    // cannot, or a loop is already running.
    bool listen();
    // "Stop": the loop ends once the answer in hand is sent.
    void stop() { m_running = false; }
    // "Send Data": queues the command for the next acknowledgement; false (with its line) when
    // not listening.
    bool queueCommand(const QString &command);
    bool canQueueCommand() const { return m_listening && m_pendingCommand.isEmpty(); }

    bool running() const { return m_running; }
    bool listening() const { return m_listening; }
    bool dataArrived() const { return m_dataArrived; }
    QString lastMessage() const { return m_lastMessage; }
    QString pendingCommand() const { return m_pendingCommand; }

private:
    void datagramArrived(const QByteArray &data);
    void answerArrivedData();
    void pauseBeforeAnswer();
    void commandQueueChanged();

    DatagramSocket &m_socket;
    ReceiverConsole &m_console;
    std::chrono::milliseconds m_answerPause;

    bool m_running = true;
    bool m_listening = false;
    bool m_dataArrived = false;
    QString m_lastMessage;
    QString m_pendingCommand;
    // The identifier of the first datagram not yet answered.
    QString m_answerIdentifier;
    // The port text as it was when the port was set.
    QString m_selectedPortText;
};
