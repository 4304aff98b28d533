#include "operation_engine.h"

#include "operation.h"

#include <QDebug>
#include <QLoggingCategory>

Q_LOGGING_CATEGORY(vortsetupLog, "vortsetup")

namespace {
constexpr char portSettings[] = "9600,N,8,1";

bool containsReadyAnswer(const QByteArray &reply)
{
    return reply.contains("OK0\r\n") || reply.contains("OK1\r\n");
}

} // namespace

void PhaseRegistry::add(int operationCode, std::unique_ptr<OperationPhase> phase)
{
    m_phases[operationCode] = std::move(phase);
}

OperationPhase *PhaseRegistry::find(int operationCode) const
{
    const auto found = m_phases.find(operationCode);
    return found == m_phases.end() ? nullptr : found->second.get();
}

OperationEngine::OperationEngine(SerialPort &port, TickClock &clock, StatusDisplay &status,
                                 std::function<QString()> password, QObject *parent)
    : QObject(parent), m_context(port, clock, status), m_password(std::move(password))
{
    m_context.afterResume = [this] { reportIfEnded(); };
    connect(&port, &SerialPort::readyRead, this, [this] { m_context.wake(); });
    connect(&clock, &TickClock::ticked, this, [this] { m_context.wake(); });
    connect(&port, &SerialPort::faulted, this,
            [this](SerialPort::Fault, const QString &reason) { portFaulted(reason); });
}

OperationEngine::~OperationEngine()
{
    m_context.afterResume = {};
    m_run.reset();
}

bool OperationEngine::start()
{
    if (m_running)
        return false;
    m_running = true;
    m_context.exitRequested = false;
    m_context.abortRequested = false;
    m_context.portLost = false;
    m_context.message.reset();
    m_earlyEnd = OperationOutcome::Result::Aborted;
    m_faultReason.clear();
    m_run = run();
    m_run.start();
    reportIfEnded();
    return true;
}

void OperationEngine::reportIfEnded()
{
    if (!m_run.isDone())
        return;
    const OperationOutcome outcome = m_run.take();
    m_run.reset();
    m_running = false;
    emit finished(outcome);
}

void OperationEngine::requestAbort()
{
    m_context.abortRequested = true;
    m_context.wake();
}

void OperationEngine::requestExit()
{
    m_context.exitRequested = true;
    m_context.wake();
}

void OperationEngine::portFaulted(const QString &reason)
{
    if (!m_running || m_context.portLost)
        return;
    m_faultReason = reason;
    m_context.portLost = true;
    m_context.wake();
}

UserMessage OperationEngine::portLostMessage(const QString &device, int portNumber,
                                             const QString &reason)
{
    return {QStringLiteral("The serial device %1 (COM%2) went away: %3. Check the cable or the "
                           "adapter, then try again.")
                .arg(device)
                .arg(portNumber)
                .arg(reason),
            QStringLiteral("Serial device lost"), MessageIcon::Critical};
}

OperationTask<OperationOutcome> OperationEngine::run()
{
    // Each step awaited in a statement of its own (not inside || or &&, which g++ 12
    // mistranslates).
    if (!openPort())
        co_return endedEarly();
    const bool connected = co_await connectToUnit();
    if (!connected)
        co_return endedEarly();
    const bool named = co_await sendOperationLetter();
    if (!named)
        co_return endedEarly();
    sendPasswordAgain();
    const bool accepted = co_await awaitAcceptance();
    if (!accepted)
        co_return endedEarly();
    prepareForPhase();
    const OperationOutcome outcome = co_await runPhase();
    co_return outcome;
}

OperationOutcome OperationEngine::endedEarly() const
{
    using Result = OperationOutcome::Result;
    if (m_context.exitRequested)
        return {Result::Exited, std::nullopt};
    if (m_context.portLost) {
        const int portNumber = m_context.portIndex + 1;
        return {Result::PortLost,
                portLostMessage(m_context.port.deviceName(portNumber), portNumber, m_faultReason)};
    }
    return {m_earlyEnd, m_context.message};
}

bool OperationEngine::openPort()
{
    // A port left open by a failed run is used as it is: same device, speed and input.
    if (m_context.port.isOpen())
        return true;
    const int portNumber = m_context.portIndex + 1;
    if (!m_context.port.open(portNumber, QLatin1String(portSettings))) {
        qCWarning(vortsetupLog).noquote()
            << QStringLiteral("COM%1:").arg(portNumber) << m_context.port.errorString();
        m_earlyEnd = OperationOutcome::Result::PortNotAvailable;
        // The system's reason goes with the box, for a person who never sees standard error.
        m_context.message =
            UserMessage{QString::fromLatin1(openFailurePrompt), QStringLiteral("ERROR"),
                        MessageIcon::None, m_context.port.errorString()};
        m_context.port.close();
        return false;
    }
    m_context.port.discardInput();
    return true;
}

OperationTask<bool> OperationEngine::connectToUnit()
{
    m_context.show(StatusItem::Connecting);
    m_context.replyReceived = false;
    while (!m_context.replyReceived) {
        m_context.replyBuffer.clear();
        m_context.port.write("O");
        // The answer may come at any moment of the tick; the next "O" goes out only when the
        // tick is over.
        co_await m_context.waitTicks(1, [&] {
            if (m_context.abortRequested)
                return true;
            if (m_context.readWaiting(m_context.replyBuffer) &&
                containsReadyAnswer(m_context.replyBuffer))
                m_context.replyReceived = true;
            return false;
        });
        if (endedByStop())
            co_return false;
        if (m_context.abortRequested) {
            m_context.port.close();
            co_return false;
        }
        if (m_context.replyReceived)
            writePassword();
    }
    co_return true;
}

OperationTask<bool> OperationEngine::sendOperationLetter()
{
    m_context.port.write(QByteArray(1, Operation::letter(m_context.operationCode)));
    co_await m_context.waitTicks(2, [&] { return m_context.abortRequested; });
    if (endedByStop())
        co_return false;
    if (m_context.abortRequested) {
        m_context.port.close();
        co_return false;
    }
    co_return true;
}

void OperationEngine::sendPasswordAgain()
{
    writePassword();
    m_context.hide(StatusItem::Connecting);
}

OperationTask<bool> OperationEngine::awaitAcceptance()
{
    m_context.replyReceived = false;
    m_context.replyBuffer.clear();
    co_await m_context.waitTicks(3, [&] {
        if (m_context.abortRequested)
            return true;
        if (m_context.readWaiting(m_context.replyBuffer) && m_context.replyBuffer.contains('p'))
            m_context.replyReceived = true;
        return m_context.replyReceived;
    });
    if (endedByStop())
        co_return false;
    if (m_context.abortRequested)
        co_return false;
    if (!m_context.replyReceived) {
        m_context.hide(StatusItem::Connecting);
        m_earlyEnd = OperationOutcome::Result::InvalidPassword;
        m_context.message =
            UserMessage{QString::fromLatin1(invalidPasswordPrompt),
                        QString::fromLatin1(invalidPasswordTitle), MessageIcon::Critical};
        co_return false;
    }
    co_return true;
}

void OperationEngine::prepareForPhase()
{
    m_context.hide(StatusItem::Connecting);
    m_context.replyBuffer.clear();
    m_context.replyReceived = false;
    m_context.clock.setTickCount(0);
}

OperationTask<OperationOutcome> OperationEngine::runPhase()
{
    using Result = OperationOutcome::Result;
    OperationPhase *phase = m_phases.find(m_context.operationCode);
    if (!phase) {
        // No exchange of this operation: the run ends quietly, and the port is not kept.
        m_context.port.close();
        co_return OperationOutcome{Result::Success, std::nullopt};
    }
    const PhaseOutcome outcome = co_await phase->run(m_context);
    if (endedByStop())
        co_return endedEarly();
    const bool close = outcome != PhaseOutcome::Failure ||
                       Operation::closesPortAfterFailure(m_context.operationCode);
    if (close)
        m_context.port.close();
    switch (outcome) {
    case PhaseOutcome::Success:
        co_return OperationOutcome{Result::Success, m_context.message};
    case PhaseOutcome::Failure:
        co_return OperationOutcome{Result::Failed, m_context.message};
    case PhaseOutcome::Abort:
        break;
    }
    co_return OperationOutcome{Result::Aborted, std::nullopt};
}

void OperationEngine::writePassword()
{
    m_context.port.write(m_password().toLatin1() + '\r');
}

bool OperationEngine::endedByStop()
{
    if (!m_context.stopped())
        return false;
    m_context.hide(StatusItem::Connecting);
    m_context.port.close();
    return true;
}
