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

// Marks the engine busy for the length of a run, whichever way the run ends.
class RunningFlag
{
public:
    explicit RunningFlag(bool &flag) : m_flag(flag) { m_flag = true; }
    ~RunningFlag() { m_flag = false; }

private:
    bool &m_flag;
};
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
                                 std::function<QString()> password)
    : m_context(port, clock, status), m_password(std::move(password))
{
}

OperationOutcome OperationEngine::runOperation()
{
    if (m_running)
        return {OperationOutcome::Result::Refused, std::nullopt};
    RunningFlag running(m_running);
    m_context.exitRequested = false;
    m_context.abortRequested = false;
    m_context.message.reset();
    m_earlyEnd = OperationOutcome::Result::Aborted;

    if (!openPort() || !connectToUnit() || !sendOperationLetter())
        return endedEarly();
    sendPasswordAgain();
    if (!awaitAcceptance())
        return endedEarly();
    prepareForPhase();
    return runPhase();
}

OperationOutcome OperationEngine::endedEarly() const
{
    const auto result = m_context.exitRequested ? OperationOutcome::Result::Exited : m_earlyEnd;
    return {result, m_context.message};
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
        m_context.message = UserMessage{QString::fromLatin1(openFailurePrompt),
                                        QStringLiteral("ERROR"), MessageIcon::None};
        m_context.port.close();
        return false;
    }
    m_context.port.discardInput();
    return true;
}

bool OperationEngine::connectToUnit()
{
    m_context.show(StatusItem::Command5);
    m_context.replyReceived = false;
    while (!m_context.replyReceived) {
        m_context.replyBuffer.clear();
        m_context.port.write("O");
        // The answer may come at any moment of the tick; the next "O" goes out only when the
        // tick is over.
        m_context.waitTicks(1, [&] {
            if (m_context.abortRequested)
                return true;
            if (m_context.readWaiting(m_context.replyBuffer) &&
                containsReadyAnswer(m_context.replyBuffer))
                m_context.replyReceived = true;
            return false;
        });
        if (endedByExit())
            return false;
        if (m_context.abortRequested) {
            m_context.port.close();
            return false;
        }
        if (m_context.replyReceived)
            writePassword();
    }
    return true;
}

bool OperationEngine::sendOperationLetter()
{
    m_context.port.write(QByteArray(1, Operation::letter(m_context.operationCode)));
    m_context.waitTicks(2, [&] { return m_context.abortRequested; });
    if (endedByExit())
        return false;
    if (m_context.abortRequested) {
        m_context.port.close();
        return false;
    }
    return true;
}

void OperationEngine::sendPasswordAgain()
{
    writePassword();
    m_context.hide(StatusItem::Command5);
}

bool OperationEngine::awaitAcceptance()
{
    m_context.replyReceived = false;
    m_context.replyBuffer.clear();
    m_context.waitTicks(3, [&] {
        if (m_context.abortRequested)
            return true;
        if (m_context.readWaiting(m_context.replyBuffer) && m_context.replyBuffer.contains('p'))
            m_context.replyReceived = true;
        return m_context.replyReceived;
    });
    if (endedByExit())
        return false;
    if (m_context.abortRequested)
        return false;
    if (!m_context.replyReceived) {
        m_context.hide(StatusItem::Command5);
        m_earlyEnd = OperationOutcome::Result::InvalidPassword;
        m_context.message =
            UserMessage{QString::fromLatin1(invalidPasswordPrompt),
                        QString::fromLatin1(invalidPasswordTitle), MessageIcon::Critical};
        return false;
    }
    return true;
}

void OperationEngine::prepareForPhase()
{
    m_context.hide(StatusItem::Command5);
    m_context.replyBuffer.clear();
    m_context.replyReceived = false;
    m_context.clock.setTickCount(0);
}

OperationOutcome OperationEngine::runPhase()
{
    using Result = OperationOutcome::Result;
    OperationPhase *phase = m_phases.find(m_context.operationCode);
    if (!phase) {
        // No exchange of this operation: the run ends quietly, and the port is not kept.
        m_context.port.close();
        return {Result::Success, std::nullopt};
    }
    const PhaseOutcome outcome = phase->run(m_context);
    if (endedByExit())
        return {Result::Exited, std::nullopt};
    const bool close = outcome != PhaseOutcome::Failure ||
                       Operation::closesPortAfterFailure(m_context.operationCode);
    if (close)
        m_context.port.close();
    switch (outcome) {
    case PhaseOutcome::Success:
        return {Result::Success, m_context.message};
    case PhaseOutcome::Failure:
        return {Result::Failed, m_context.message};
    case PhaseOutcome::Abort:
        break;
    }
    return {Result::Aborted, std::nullopt};
}

void OperationEngine::writePassword()
{
    m_context.port.write(m_password().toLatin1() + '\r');
}

bool OperationEngine::endedByExit()
{
    if (!m_context.exitRequested)
        return false;
    m_context.hide(StatusItem::Command5);
    m_context.port.close();
    return true;
}
