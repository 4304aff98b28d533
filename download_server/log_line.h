#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

// The server's activity log "log.txt": one line per event, appended and closed again at once.
namespace LogLine {

inline const QString fileName = QStringLiteral("log.txt");

// #2005-05-16 14:03:22#,"text" with CR LF; at exactly midnight only the date stands between the
// "#" characters. The text is written unchanged (one byte per character, no escaping).
QByteArray format(const QDateTime &when, const QString &text);

// Appends the line for now to fileName in the working directory (created when missing).
// Returns false when the file cannot be written; the server has no message for that.
bool append(const QString &text, const QString &path = fileName);

} // namespace LogLine
