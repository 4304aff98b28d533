#include "main_window_bench.h"

#include "support/test_support.h"

#include <QSignalSpy>

bool awaitRunEnd(UnitSession &session, int timeoutMs)
{
    if (!session.isRunning())
        return true;
    QSignalSpy ended(&session, &UnitSession::finished);
    return ended.wait(timeoutMs);
}

std::optional<OperationOutcome> runToEnd(UnitSession &session, int code, int timeoutMs)
{
    QSignalSpy ended(&session, &UnitSession::finished);
    if (!session.start(code) || (ended.isEmpty() && !ended.wait(timeoutMs)))
        return std::nullopt;
    return ended.constFirst().constFirst().value<OperationOutcome>();
}

void MainWindowBench::whileRunning(const std::function<bool()> &check, int timeoutMs)
{
    TestSupport::whenDone(&window, check, timeoutMs, [this](bool late) {
        if (!late)
            return;
        timedOut = true;
        window.engine().requestExit();
    });
}
