#include "operation_phase.h"

bool OperationContext::waitTicks(int ticks, const std::function<bool()> &done)
{
    bool held = false;
    clock.waitTicks(ticks, [&] {
        if (exitRequested)
            return true;
        held = done && done();
        return held;
    });
    return held;
}

void OperationContext::waitUntil(const std::function<bool()> &done)
{
    TickClock::waitUntil([&] { return exitRequested || done(); });
}

bool OperationContext::readWaiting(QByteArray &buffer)
{
    if (port.bytesWaiting() <= 0)
        return false;
    buffer += port.readAll();
    return true;
}

PhaseOutcome OperationContext::finish(StatusItem statusButton, PhaseOutcome outcome,
                                      std::optional<UserMessage> ending)
{
    status.endTransfer(statusButton);
    message = exitRequested ? std::nullopt : std::move(ending);
    return exitRequested ? PhaseOutcome::Abort : outcome;
}
