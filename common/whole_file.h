#pragma once

#include <QByteArray>
#include <QString>

// Saving a file the user keeps (a configuration, a GPS location table, a GPX track) all or
// nothing.
namespace WholeFile {

// Writes content to path: into a temporary file beside it, renamed over path only once every
// byte is on disk. False, with path as it was and nothing left behind, when the folder is
// missing or takes no new file, the file is read-only, or the disk fills up; a write the
// system takes only in part counts as failed. errorText, when given, gets the system's reason for
// a failure ("File too large").
bool write(const QString &path, const QByteArray &content, QString *errorText = nullptr);

} // namespace WholeFile
