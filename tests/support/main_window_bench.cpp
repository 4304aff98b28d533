#include "main_window_bench.h"

#include "support/test_support.h"

void MainWindowBench::whileRunning(const std::function<bool()> &check, int timeoutMs)
{
    TestSupport::whenDone(&window, check, timeoutMs, [this](bool late) {
        if (!late)
            return;
        timedOut = true;
        window.engine().requestExit();
    });
}
