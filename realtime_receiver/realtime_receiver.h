#pragma once

#include "receiver_text.h"
#include "unit_table.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QString>
#include <QTimer>

#include <chrono>
#include <deque>

class DatagramSocket;
class FleetStore;
struct StoreSettings;

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
    // Listening has ended (the socket is closed and the Stopped line shown).
    virtual void listeningEnded() {}
    // Whether a command for the next message can be queued now ("Send Data" enabled).
    virtual void commandQueueChanged(bool canQueue) {}
    // The pending commands changed (queued, sent or withdrawn).
    virtual void pendingCommandsChanged() {}
};

// A command waiting for an acknowledgement: for the unit with this identifier, or for the next
// acknowledgement sent whoever it goes to (identifier empty).
struct PendingCommand
{
    QString identifier;
    QString command;
    qint64 storeId = 0; // its number in the fleet store; 0: held in memory only
    friend bool operator==(const PendingCommand &, const PendingCommand &) = default;
};

// Quellix's work: the port, the listening that shows every real-time message and answers
// each unit (address and port) on its own with its identifier, ",1" and a pending command, and
// the queueing of those commands. A unit's answer waits out the pause after its first
// unanswered message; its further messages meanwhile are folded into that answer. The pauses of
// all units run in one queue of due times.
class RealtimeReceiver : public QObject
{
    Q_OBJECT
public:
    RealtimeReceiver(DatagramSocket &socket, ReceiverConsole &console,
                     std::chrono::milliseconds answerPause = ReceiverText::answerPause,
                     QObject *parent = nullptr);
    ~RealtimeReceiver() override;

    // A text as one line up to 100 characters, else as the first 100 and the rest.
    void logMessage(const QString &text);

    // --store (or --record): every unit, message and acknowledgement from now on goes to the
    // fleet store, and the commands for chosen units wait there. What becomes of the store is
    // told in lines, in the list and on standard error; receiving never waits for it.
    void useStore(const StoreSettings &settings);
    // The store in use; none without --store.
    const FleetStore *store() const { return m_store; }

    // "&Set host/port": true when the text names a port, which the socket then takes. With
    // anyPort (the headless receiver's --port 0), "0" names whichever port the system gives.
    bool selectPort(const QString &portText, bool anyPort = false);
    // "&Start": listens and answers until stop(), driven by arrivals and the answer timer;
    // returns at once. False when it did not listen: the socket cannot, or it still listens.
    bool listen();
    // "Stop": listening ends once the answers in hand are sent (at once when there are none).
    void stop();
    // "Send Data": queues the command for the next acknowledgement; false (with its line) when
    // not listening.
    bool queueCommand(const QString &command);
    bool canQueueCommand() const { return m_listening && !m_nextCommandQueued; }
    // Queues a command for the unit whose messages begin with identifier; it goes with that
    // unit's next acknowledgement, even if the unit has not been heard yet.
    bool queueUnitCommand(const QString &identifier, const QString &command);
    // Every command waiting, the one for the next message first, then in the order queued.
    QList<PendingCommand> pendingCommands() const;
    // Takes a pending command back; false when it is no longer pending.
    bool withdraw(const PendingCommand &pending);

    bool running() const { return m_running; }
    bool listening() const { return m_listening; }
    // Whether an answer is waiting out its pause.
    bool dataArrived() const { return !m_answerQueue.empty(); }
    QString lastMessage() const { return m_lastMessage; }
    QString pendingCommand() const { return m_pendingCommand; }

    const UnitTable &units() const { return m_units; }
    // Counts since start-up, for the units view and the headless summary.
    quint64 received() const { return m_received; }
    quint64 answered() const { return m_answered; }
    quint64 commandsSent() const { return m_commandsSent; }
    bool hasCommandFor(const QString &identifier) const
    {
        return m_unitCommandCount.value(identifier) > 0;
    }

private:
    struct DueAnswer
    {
        qint64 dueNs; // on m_clock
        UnitAddress unit;
    };
    void datagramArrived(const QByteArray &data, const QHostAddress &sender, quint16 senderPort);
    void answerDueUnits();
    void answer(UnitState &unit);
    void scheduleNextAnswer();
    // Ends listening once it has been stopped and no answer is waiting.
    void endListeningWhenIdle();
    qint64 pauseNs() const { return std::chrono::nanoseconds(m_answerPause).count(); }
    void commandQueueChanged();
    void takeUnitCommandAt(qsizetype index);
    void recordTraffic(bool received, const UnitState &unit, const QString &identifier,
                       const QByteArray &data, qint64 utcMs);

    DatagramSocket &m_socket;
    ReceiverConsole &m_console;
    std::chrono::milliseconds m_answerPause;

    bool m_running = true;
    bool m_listening = false;
    QString m_lastMessage;
    // The command for the next acknowledgement, whoever it goes to.
    QString m_pendingCommand;
    bool m_nextCommandQueued = false;
    // Commands for chosen units, in the order queued.
    QList<PendingCommand> m_unitCommands;
    QHash<QString, int> m_unitCommandCount;
    // The port text as it was when the port was set.
    QString m_selectedPortText;

    UnitTable m_units;
    // Answers waiting out their pause; one pause for all, so they fall due in arrival order.
    std::deque<DueAnswer> m_answerQueue;
    QTimer m_answerTimer;
    QElapsedTimer m_clock;
    quint64 m_received = 0;
    quint64 m_commandsSent = 0;
    quint64 m_answered = 0;
    FleetStore *m_store = nullptr;
};
