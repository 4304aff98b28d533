#include "main_window_bench.h"

#include <QElapsedTimer>

void MainWindowBench::whileRunning(std::function<bool()> check, int timeoutMs)
{
    auto *poll = new QTimer(&window);
    auto started = std::make_shared<QElapsedTimer>();
    started->start();
    poll->setInterval(5);
    QObject::connect(poll, &QTimer::timeout, &window, [this, poll, started, check, timeoutMs] {
        if (check()) {
            poll->deleteLater();
            poll->stop();
        } else if (started->elapsed() > timeoutMs) {
            timedOut = true;
            window.engine().requestExit();
            poll->stop();
            poll->deleteLater();
        }
    });
    poll->start();
}
