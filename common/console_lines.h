#pragma once

#include <QByteArray>
#include <QString>

// The activity lines of a program that runs without a window: one line each on standard output
// (or standard error), flushed as soon as the event loop turns, so a pipe or a service's journal
// sees every event as it happens.
namespace ConsoleLines {

// The line as written, in UTF-8 with a line feed. Control characters (which a unit's datagram
// may carry) appear as \xHH: one entry stays one line and cannot steer a terminal.
QByteArray printable(const QString &line);

void write(const QString &line);
void writeError(const QString &line);

} // namespace ConsoleLines
