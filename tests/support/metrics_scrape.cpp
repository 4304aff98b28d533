#include "metrics_scrape.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QSignalSpy>

#include <memory>

namespace MetricsScrape {

QByteArray get(const QUrl &url, int timeoutMs)
{
    QNetworkAccessManager manager;
    std::unique_ptr<QNetworkReply> reply(manager.get(QNetworkRequest(url)));
    QSignalSpy finished(reply.get(), &QNetworkReply::finished);
    if (!reply->isFinished() && !finished.wait(timeoutMs))
        return {};
    if (reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() != 200)
        return {};
    return reply->readAll();
}

QString promtoolFindings(const QByteArray &page)
{
    QProcess promtool;
    promtool.setProcessChannelMode(QProcess::MergedChannels);
    promtool.start(QStringLiteral("promtool"),
                   {QStringLiteral("check"), QStringLiteral("metrics")});
    if (!promtool.waitForStarted())
        return QStringLiteral("promtool cannot be started (Debian package prometheus)");
    promtool.write(page);
    promtool.closeWriteChannel();
    if (!promtool.waitForFinished(30000))
        return QStringLiteral("promtool did not finish");
    QString said = QString::fromUtf8(promtool.readAll()).trimmed();
    if (promtool.exitCode() != 0 && said.isEmpty())
        return QStringLiteral("promtool ended with %1").arg(promtool.exitCode());
    return said;
}

} // namespace MetricsScrape
