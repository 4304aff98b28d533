// A real Prometheus server (Debian package prometheus) scraping Server's --metrics on loopback.
#include "download_texts.h"
#include "headless_server_run.h"

#include "support/metrics_scrape.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTcpServer>
#include <QtTest>

class TestServerPrometheus : public QObject
{
    Q_OBJECT
private slots:
    // A real Prometheus server scraping --metrics on loopback has a finished transfer, asked
    // through its query API.
    void prometheusCountsTheTransfer()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("prometheus")).isEmpty())
            QSKIP("prometheus (Debian package prometheus) is not installed");
        HeadlessServerRun server(QStringLiteral("--metrics 0"));
        server.write(QStringLiteral("V610/os610.bin"), fileOf(qsizetype(3) * 180));
        QVERIFY(server.start());
        QString target; // 127.0.0.1:PORT
        QVERIFY(server.process().waitForLine([&](const QString &line) {
            static const QRegularExpression served(
                QStringLiteral("^Metrics on http://(.+)/metrics$"));
            target = served.match(line).captured(1);
            return !target.isEmpty();
        }));
        UdpUnitClient unit;
        QVERIFY(server.serve(unit, "VORT01,V610UPLOAD", osSuccess));

        QTcpServer probe; // a free port for Prometheus's own page
        QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
        const QString web = QStringLiteral("127.0.0.1:%1").arg(probe.serverPort());
        probe.close();
        server.write(QStringLiteral("prometheus.yml"),
                     QStringLiteral("global:\n  scrape_interval: 250ms\nscrape_configs:\n"
                                    "  - job_name: vort-server\n    static_configs:\n"
                                    "      - targets: ['%1']\n")
                         .arg(target)
                         .toUtf8());
        ProgramProcess prometheus(QStringLiteral("prometheus"),
                                  {"--config.file=" + server.path(QStringLiteral("prometheus.yml")),
                                   "--storage.tsdb.path=" + server.path(QStringLiteral("tsdb")),
                                   "--web.listen-address=" + web,
                                   QStringLiteral("--log.level=warn")});
        QVERIFY(prometheus.start());
        const QUrl query(QStringLiteral("http://%1/api/v1/query?query=%2")
                             .arg(web, QUrl::toPercentEncoding(QStringLiteral(
                                           "vort_transfers_total{outcome=\"downloaded\"}"))));
        const auto downloaded = [&] {
            const QJsonArray result = QJsonDocument::fromJson(MetricsScrape::get(query))
                                          .object()[QStringLiteral("data")]
                                          .toObject()[QStringLiteral("result")]
                                          .toArray();
            return result.isEmpty() ? QString() : result[0][QStringLiteral("value")][1].toString();
        };
        QTRY_COMPARE_WITH_TIMEOUT(downloaded(), QStringLiteral("1"), 60000);
        QVERIFY(server.stop());
    }
};

QTEST_GUILESS_MAIN(TestServerPrometheus)
#include "test_server_prometheus.moc"
