#include "test_support.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

void TestSupport::whenDone(QObject *scope, const std::function<bool()> &done, int timeoutMs,
                           const std::function<void(bool timedOut)> &finish)
{
    auto *poll = new QTimer(scope);
    poll->callOnTimeout([poll, deadline = QDeadlineTimer(timeoutMs), done, finish] {
        const bool held = done();
        if (!held && !deadline.hasExpired())
            return;
        poll->stop();
        poll->deleteLater();
        finish(!held);
    });
    poll->start(5);
}

bool TestSupport::runUntil(const std::function<bool()> &done, int timeoutMs)
{
    if (done())
        return true;
    QEventLoop loop;
    bool held = false;
    whenDone(&loop, done, timeoutMs, [&](bool timedOut) {
        held = !timedOut;
        loop.quit();
    });
    loop.exec();
    return held;
}
