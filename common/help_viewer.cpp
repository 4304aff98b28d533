#include "help_viewer.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>

QString SystemHelpViewer::locate(const QString &fileName)
{
    return locate(fileName, QCoreApplication::applicationDirPath());
}

QString SystemHelpViewer::locate(const QString &fileName, const QString &appDir)
{
    if (QFileInfo::exists(fileName))
        return fileName;
    const QStringList candidates = {
        QDir(appDir).filePath(fileName),
        QDir(appDir).filePath(QStringLiteral("../share/doc/vort/") + fileName),
        QDir(appDir).filePath(QStringLiteral("../share/vort/") + fileName),
    };
    for (const QString &path : candidates) {
        if (QFileInfo::exists(path))
            return QDir::cleanPath(path);
    }
    return fileName;
}

void SystemHelpViewer::open(const QString &fileName)
{
    const QString path = locate(fileName);
#if defined(Q_OS_WIN)
    QProcess::startDetached(QStringLiteral("notepad"), {path});
#elif defined(Q_OS_MACOS)
    QProcess::startDetached(QStringLiteral("open"), {QStringLiteral("-t"), path});
#else
    QProcess::startDetached(QStringLiteral("xdg-open"), {path});
#endif
}
