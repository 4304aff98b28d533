#pragma once

#include <QString>
#include <QStringList>

// What Server tells at start without a window: the folder and the files it serves, and at once
// a warning for each file a unit's request would find missing or would refuse, so an operator
// need not wait for the first unit to learn of it. Files are read again at every request.
namespace ServedFiles {

QStringList startLines(const QString &baseFolder, const QString &configurationFile,
                       const QString &gpsTableFile);

} // namespace ServedFiles
