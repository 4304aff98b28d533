#include "served_files.h"

#include "server_images.h"

#include <QDir>

namespace ServedFiles {

namespace {

using Status = ServerImageResult::Status;

// One line for the file, and a warning after it when a request would not be served.
void describe(QStringList &lines, const QString &what, const QString &option, const QString &path,
              const ServerImageResult &result)
{
    if (path.isEmpty()) {
        lines << QStringLiteral("Server: %1: none (%2 not given)").arg(what, option);
        return;
    }
    lines << QStringLiteral("Server: %1: %2").arg(what, QDir::toNativeSeparators(path));
    if (result.status == Status::NotFound)
        lines << QStringLiteral("Server: warning: %1 %2 does not exist (yet)")
                     .arg(what, QDir::toNativeSeparators(path));
    else if (result.status == Status::Invalid)
        lines << QStringLiteral("Server: warning: %1").arg(result.problem);
}

} // namespace

QStringList startLines(const QString &baseFolder, const QString &configurationFile,
                       const QString &gpsTableFile)
{
    QStringList lines{QStringLiteral("Server: operating system folders in %1")
                          .arg(QDir::toNativeSeparators(baseFolder))};
    QByteArray image;
    // Any request long enough: only its characters 8 to 11 reach the image.
    describe(lines, QStringLiteral("configuration file"), QStringLiteral("--config"),
             configurationFile,
             buildServerConfigurationImage(configurationFile, "CONFIG,V000", image));
    describe(lines, QStringLiteral("GPS location table file"), QStringLiteral("--gps"),
             gpsTableFile, buildServerGpsImage(gpsTableFile, image));
    return lines;
}

} // namespace ServedFiles
