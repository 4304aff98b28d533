#include "server_paths.h"

#include <QDir>
#include <QFileInfo>

namespace ServerPaths {

namespace {
// File names compare without case where the platform's file system does.
constexpr Qt::CaseSensitivity fileNameCase =
#if defined(Q_OS_WIN) || defined(Q_OS_MACOS)
    Qt::CaseInsensitive;
#else
    Qt::CaseSensitive;
#endif

bool liesInside(const QString &path, const QString &folder)
{
    const QString canonicalFolder = QFileInfo(folder).canonicalFilePath();
    const QString canonicalPath = QFileInfo(path).canonicalFilePath();
    if (canonicalFolder.isEmpty() || canonicalPath.isEmpty())
        return false;
    const QString prefix =
        canonicalFolder.endsWith(QLatin1Char('/')) ? canonicalFolder : canonicalFolder + '/';
    return canonicalPath.startsWith(prefix, fileNameCase);
}
} // namespace

QString joinPath(const QString &folder, const QString &name)
{
    const QString separator = QDir::separator();
    QString path = QDir::toNativeSeparators(folder) + separator + QDir::toNativeSeparators(name);
    const QString doubled = separator + separator;
    while (path.contains(doubled))
        path.replace(doubled, separator);
    return path;
}

QStringList visibleFiles(const QString &folder)
{
    if (folder.isEmpty())
        return {};
    return QDir(folder).entryList(QDir::Files, QDir::Name | QDir::IgnoreCase);
}

bool isValidVersionFolder(const QByteArray &versionFolder)
{
    if (versionFolder.size() != 4)
        return false;
    for (const char c : versionFolder) {
        const bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
        const bool digit = c >= '0' && c <= '9';
        if (!letter && !digit)
            return false;
    }
    return true;
}

OperatingSystemFile locateOperatingSystemFile(const QString &baseFolder,
                                              const QByteArray &versionFolder)
{
    OperatingSystemFile result;
    if (baseFolder.trimmed().isEmpty() || !isValidVersionFolder(versionFolder))
        return result;
    result.folder = joinPath(joinPath(baseFolder, QString::fromLatin1(versionFolder)), QString());
    if (!QFileInfo(result.folder).isDir())
        return result;
    const QStringList files = visibleFiles(result.folder);
    if (files.isEmpty())
        return result;
    result.path = joinPath(result.folder, files.first());
    result.found = liesInside(result.path, baseFolder) && QFileInfo(result.path).isFile();
    return result;
}

} // namespace ServerPaths
