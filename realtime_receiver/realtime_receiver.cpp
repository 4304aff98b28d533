#include "realtime_receiver.h"

#include "common/console_lines.h"
#include "common/network/datagram_socket.h"
#include "common/store/fleet_store.h"

#include <QDateTime>

#include <algorithm>

using namespace ReceiverText;

RealtimeReceiver::RealtimeReceiver(DatagramSocket &socket, ReceiverConsole &console,
                                   std::chrono::milliseconds answerPause, QObject *parent)
    : QObject(parent), m_socket(socket), m_console(console), m_answerPause(answerPause),
      m_units(unitCap)
{
    connect(&m_socket, &DatagramSocket::datagramArrived, this, &RealtimeReceiver::datagramArrived);
    m_answerTimer.setSingleShot(true);
    m_answerTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_answerTimer, &QTimer::timeout, this, &RealtimeReceiver::answerDueUnits);
    m_clock.start();
}

RealtimeReceiver::~RealtimeReceiver() = default;

void RealtimeReceiver::logMessage(const QString &text)
{
    for (const QString &line : logLines(text))
        m_console.addLine(line);
}

void RealtimeReceiver::useStore(const StoreSettings &settings)
{
    delete m_store;
    m_store = new FleetStore(settings, this);
    connect(m_store, &FleetStore::line, this, [this](const QString &line) {
        logMessage(line);
        ConsoleLines::writeError(line);
    });
    // A claimed command waits in memory for the unit's next acknowledgement.
    connect(m_store, &FleetStore::claimed, this, [this](const StoredCommand &claimed) {
        m_unitCommands.append({claimed.identifier, claimed.text, claimed.id});
        ++m_unitCommandCount[claimed.identifier];
        m_console.pendingCommandsChanged();
    });
    connect(m_store, &FleetStore::pendingChanged, this,
            [this] { m_console.pendingCommandsChanged(); });
    m_store->start();
}

bool RealtimeReceiver::selectPort(const QString &portText, bool anyPort)
{
    if (portText.isEmpty()) {
        m_console.addLine(QStringLiteral("No Port Specified"));
        return false;
    }
    const std::optional<quint16> port = anyPort && portText.trimmed() == QStringLiteral("0")
                                            ? std::optional<quint16>(0)
                                            : portNumber(portText);
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
    return true;
}

void RealtimeReceiver::stop()
{
    m_running = false;
    endListeningWhenIdle();
}

void RealtimeReceiver::endListeningWhenIdle()
{
    // The answers in hand go out before the socket closes.
    if (!m_listening || m_running || !m_answerQueue.empty())
        return;
    m_socket.close();
    m_listening = false;
    if (m_store)
        m_store->flush();
    commandQueueChanged();
    logMessage(QStringLiteral("Stopped, listening on port ") + m_console.portText());
    m_console.listeningEnded();
}

void RealtimeReceiver::datagramArrived(const QByteArray &data, const QHostAddress &sender,
                                       quint16 senderPort)
{
    m_lastMessage = messageText(data);
    logMessage(QStringLiteral("Received: ") + m_lastMessage);
    ++m_received;
    const UnitAddress from{sender, senderPort};
    UnitState &unit = m_units.heard(from, m_lastMessage, QDateTime::currentMSecsSinceEpoch());
    recordTraffic(true, unit, unit.identifier, data, unit.lastUtcMs);
    if (m_store) {
        m_store->unitHeard(unit.identifier, unit.addressText, from.port, unit.lastUtcMs,
                           unit.lastMessage);
        // One claimed command at a time per unit; it goes with the next acknowledgement.
        if (!hasCommandFor(unit.identifier))
            m_store->claimFor(unit.identifier);
    }
    // After Stop a message is still shown, but no new answer starts.
    if (!m_running || unit.answerPending)
        return;
    // Messages during the pause are answered once, with the identifier of the first.
    unit.answerPending = true;
    unit.answerIdentifier = unit.identifier;
    m_answerQueue.push_back({m_clock.nsecsElapsed() + pauseNs(), from});
    if (!m_answerTimer.isActive())
        scheduleNextAnswer();
}

void RealtimeReceiver::scheduleNextAnswer()
{
    if (m_answerQueue.empty())
        return;
    // Whole milliseconds, rounded up: never before the pause is over.
    const qint64 waitNs = m_answerQueue.front().dueNs - m_clock.nsecsElapsed();
    m_answerTimer.start(int(qMax<qint64>(0, (waitNs + 999999) / 1000000)));
}

void RealtimeReceiver::answerDueUnits()
{
    const qint64 now = m_clock.nsecsElapsed();
    while (!m_answerQueue.empty() && m_answerQueue.front().dueNs <= now) {
        const UnitAddress due = m_answerQueue.front().unit;
        m_answerQueue.pop_front();
        if (UnitState *unit = m_units.find(due))
            answer(*unit);
    }
    commandQueueChanged();
    scheduleNextAnswer();
    endListeningWhenIdle();
}

void RealtimeReceiver::answer(UnitState &unit)
{
    unit.answerPending = false;
    const QString identifier = unit.answerIdentifier;
    // The unit's own command goes first; one for the next message waits for the next answer.
    qsizetype unitCommand = -1;
    if (hasCommandFor(identifier)) {
        unitCommand =
            std::find_if(m_unitCommands.cbegin(), m_unitCommands.cend(),
                         [&](const PendingCommand &p) { return p.identifier == identifier; }) -
            m_unitCommands.cbegin();
    }
    QString command;
    if (unitCommand >= 0) {
        command = m_unitCommands[unitCommand].command;
    } else if (m_nextCommandQueued) {
        command = m_pendingCommand;
    }

    const QByteArray datagram = acknowledgementDatagram(identifier, command);
    if (!m_socket.sendTo(datagram, unit.from.address, unit.from.port)) {
        // The command stays queued for the next acknowledgement.
        logMessage(QStringLiteral("Send failed: ") + acknowledgementText(identifier, command) +
                   QStringLiteral(" (") + m_socket.errorString() + QStringLiteral(")"));
        return;
    }
    logMessage(QStringLiteral("Send: ") + acknowledgementText(identifier, command));
    ++m_answered;
    if (!command.isEmpty())
        ++m_commandsSent;
    recordTraffic(false, unit, identifier, datagram, QDateTime::currentMSecsSinceEpoch());
    if (unitCommand >= 0) {
        if (m_store && m_unitCommands[unitCommand].storeId != 0)
            m_store->commandSent(m_unitCommands[unitCommand].storeId,
                                 acknowledgementText(identifier, command));
        takeUnitCommandAt(unitCommand);
    } else if (m_nextCommandQueued) {
        m_pendingCommand.clear();
        m_nextCommandQueued = false;
        m_console.pendingCommandsChanged();
    }
}

void RealtimeReceiver::takeUnitCommandAt(qsizetype index)
{
    const QString identifier = m_unitCommands.takeAt(index).identifier;
    if (--m_unitCommandCount[identifier] == 0)
        m_unitCommandCount.remove(identifier);
    m_console.pendingCommandsChanged();
}

bool RealtimeReceiver::queueCommand(const QString &command)
{
    if (!m_listening) {
        logMessage(QStringLiteral("You didnt set remote host/port"));
        return false;
    }
    m_pendingCommand = command;
    m_nextCommandQueued = true;
    logMessage(m_pendingCommand);
    m_console.commandQueueChanged(false);
    m_console.pendingCommandsChanged();
    return true;
}

bool RealtimeReceiver::queueUnitCommand(const QString &identifier, const QString &command)
{
    if (!m_listening) {
        logMessage(QStringLiteral("You didnt set remote host/port"));
        return false;
    }
    // A store that refused this program keeps nothing: the command then waits here, as
    // without a store.
    if (m_store && !m_store->isRefused()) {
        // Whichever instance hears the unit next sends it.
        m_store->queueCommand(identifier, command);
        logMessage(QStringLiteral("Pending for ") + identifier + QStringLiteral(": ") + command);
        return true;
    }
    if (m_unitCommands.size() >= pendingCommandCap) {
        logMessage(QStringLiteral("Not queued: %1 commands are already waiting for their units")
                       .arg(pendingCommandCap));
        return false;
    }
    m_unitCommands.append({identifier, command});
    ++m_unitCommandCount[identifier];
    logMessage(QStringLiteral("Pending for ") + identifier + QStringLiteral(": ") + command);
    m_console.pendingCommandsChanged();
    return true;
}

QList<PendingCommand> RealtimeReceiver::pendingCommands() const
{
    QList<PendingCommand> all;
    if (m_nextCommandQueued)
        all.append({QString(), m_pendingCommand});
    all += m_unitCommands;
    if (m_store) {
        for (const StoredCommand &stored : m_store->pendingCommands())
            all.append({stored.identifier, stored.text, stored.id});
    }
    return all;
}

bool RealtimeReceiver::withdraw(const PendingCommand &pending)
{
    if (pending.identifier.isEmpty()) {
        if (!m_nextCommandQueued || pending.command != m_pendingCommand)
            return false;
        m_pendingCommand.clear();
        m_nextCommandQueued = false;
        logMessage(QStringLiteral("Withdrawn: ") + pending.command);
        commandQueueChanged();
        m_console.pendingCommandsChanged();
        return true;
    }
    const qsizetype at = m_unitCommands.indexOf(pending);
    if (at < 0 && m_store && pending.storeId != 0) {
        m_store->withdrawCommand(pending.storeId);
        logMessage(QStringLiteral("Withdrawn for ") + pending.identifier + QStringLiteral(": ") +
                   pending.command);
        return true;
    }
    if (at < 0)
        return false;
    takeUnitCommandAt(at);
    logMessage(QStringLiteral("Withdrawn for ") + pending.identifier + QStringLiteral(": ") +
               pending.command);
    return true;
}

void RealtimeReceiver::commandQueueChanged()
{
    m_console.commandQueueChanged(canQueueCommand());
}

void RealtimeReceiver::recordTraffic(bool received, const UnitState &unit,
                                     const QString &identifier, const QByteArray &data,
                                     qint64 utcMs)
{
    if (m_store)
        m_store->addTraffic(received, utcMs, unit.addressText, unit.from.port, identifier, data);
}
