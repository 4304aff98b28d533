#pragma once

// Helpers shared by the tests.
#include <QObject>
#include <QString>

#include <functional>

namespace TestSupport {
// A file of tests/data.
inline QString dataPath(const QString &name)
{
    return QStringLiteral(TEST_DATA_DIR "/") + name;
}

// Checks done() every 5 ms while the event loop turns, until it holds or timeoutMs have passed,
// then calls finish(timedOut) once. Nothing fires once scope is gone.
void whenDone(QObject *scope, const std::function<bool()> &done, int timeoutMs,
              const std::function<void(bool timedOut)> &finish);

// Runs the event loop until done() holds (checked every 5 ms) or timeoutMs have passed; whether
// it held. Unlike QTest::qWaitFor, which sleeps 10 ms between batches of events, the loop
// handles every event the moment it comes, so a test or benchmark driving an exchange with
// another process runs it at its own pace.
bool runUntil(const std::function<bool()> &done, int timeoutMs);
} // namespace TestSupport
