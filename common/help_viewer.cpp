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
    // bin/ of an installation, or lib/vort/ where the programs live behind their commands.
    const QStringList candidates = {
        QDir(appDir).filePath(fileName),
        QDir(appDir).filePath(QStringLiteral("../share/doc/vort/") + fileName),
        QDir(appDir).filePath(QStringLiteral("../share/vort/") + fileName),
        QDir(appDir).filePath(QStringLiteral("../../share/vort/") + fileName),
    };
    for (const QString &path : candidates) {
        if (QFileInfo::exists(path))
            return QDir::cleanPath(path);
    }
    return fileName;
}

SystemHelpViewer::SystemHelpViewer(Fallback fallback, QString viewer)
    : m_fallback(std::move(fallback)), m_viewer(std::move(viewer))
{
    if (!m_viewer.isEmpty())
        return;
#if defined(Q_OS_WIN)
    m_viewer = QStringLiteral("notepad");
#elif defined(Q_OS_MACOS)
    m_viewer = QStringLiteral("open");
#else
    m_viewer = QStringLiteral("xdg-open");
#endif
}

void SystemHelpViewer::open(const QString &fileName)
{
    const QString path = locate(fileName);
    QStringList arguments{path};
#if defined(Q_OS_MACOS)
    arguments.prepend(QStringLiteral("-t"));
#endif
    // Not waited for; it deletes itself when the viewer ends. A viewer still open when the
    // program ends stays open.
    auto *viewer = new QProcess;
    const Fallback fallback = m_fallback;
    QObject::connect(viewer, &QProcess::errorOccurred, viewer,
                     [viewer, fallback, path](QProcess::ProcessError error) {
                         if (error != QProcess::FailedToStart)
                             return;
                         if (fallback)
                             fallback(path);
                         viewer->deleteLater();
                     });
    QObject::connect(viewer, &QProcess::finished, viewer,
                     [viewer, fallback, path](int exitCode, QProcess::ExitStatus status) {
                         if ((status != QProcess::NormalExit || exitCode != 0) && fallback)
                             fallback(path);
                         viewer->deleteLater();
                     });
    viewer->setProcessChannelMode(QProcess::ForwardedChannels);
    viewer->start(m_viewer, arguments);
}
