#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Folders and files as the server's console and the operating system transfer see them.
namespace ServerPaths {

// folder, the platform's separator, name: never a doubled separator, so a file in the root of a
// drive (or of the file system) gets a single one. Native separators.
QString joinPath(const QString &folder, const QString &name);

// The files of a folder as a file list shows them: plain files only, hidden and system files
// left out, in alphabetical order (case-insensitive, like the file lists of the desktop).
QStringList visibleFiles(const QString &folder);

// Where the operating system file of a version folder lies under the chosen base folder.
struct OperatingSystemFile
{
    bool found = false;
    QString folder; // base, separator, version folder, separator (empty when the name is refused)
    QString path;   // the first visible file of the folder
};

// The version folder comes from the network: only four letters or digits are accepted, and the
// file must resolve (links followed) to a place inside the base folder. Anything else is "not
// found", so nothing outside the base folder can ever be sent.
OperatingSystemFile locateOperatingSystemFile(const QString &baseFolder,
                                              const QByteArray &versionFolder);

bool isValidVersionFolder(const QByteArray &versionFolder);

} // namespace ServerPaths
