// vortsim-udp's demonstration unit: its real-time messages, acknowledgements, and a round of
// downloads of the shipped demonstration files from a Server console.
#include "support/server_fixture.h"

#include "unit_simulator/realtime_sender.h"
#include "unit_simulator/server_caller.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QRegularExpression>
#include <QTimeZone>
#include <QtTest>

namespace {
const QString demoDir = QStringLiteral(TEST_DATA_DIR "/../../packaging/demo");

QByteArray demoFile(const QString &name)
{
    QFile file(QDir(demoDir).filePath(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
} // namespace

class TestUdpDemoUnit : public QObject
{
    Q_OBJECT
private slots:
    void positionMessage()
    {
        const QDateTime utc(QDate(2026, 6, 12), QTime(14, 3, 22), QTimeZone::utc());
        static const QRegularExpression form(QStringLiteral(
            "^VAN042,140322,51\\d\\d\\.\\d{4},N,005\\d\\d\\.\\d{4},E,\\d\\d\\d\\.\\d,"
            "\\d\\d\\d\\.\\d,120626$"));
        for (int n : {0, 14, 15, 29, 44, 59, 60, 1000}) {
            const QByteArray message = RealtimeSender::positionMessage("VAN042", n, utc);
            QVERIFY2(form.match(QString::fromLatin1(message)).hasMatch(), message.constData());
            // Minutes stay below 60 and the course below 360, whatever the point of the lap.
            const QList<QByteArray> fields = message.split(',');
            QVERIFY(fields[2].mid(2).toDouble() < 60.0);
            QVERIFY(fields[4].mid(3).toDouble() < 60.0);
            QVERIFY(fields[7].toDouble() < 360.0);
        }
    }

    void commandOf()
    {
        // "-": no answer of the server's.
        const QList<std::pair<QByteArray, QByteArray>> rows = {
            {"VAN042,1\r", ""}, {"VAN042,1RESET\r", "RESET"}, {"VAN042,1A,B\r", "A,B"},
            {"VAN042,1", "-"},  {"VAN043,1\r", "-"},          {"VAN042,0\r", "-"},
            {"", "-"}};
        for (const auto &[datagram, command] : rows)
            QCOMPARE(RealtimeSender::commandOf(datagram, "VAN042").value_or("-"), command);
    }

    // The unit calls before the console listens (lost), calls again, and fetches the shipped
    // configuration, camera table and operating system one after the other.
    void fetchesTheDemonstrationFilesFromServer()
    {
        ServerFixture server({}, 20);
        server.useOperatingSystemBase(QStringLiteral("os"));
        const QByteArray os = demoFile(QStringLiteral("V610/VORT610.HEX"));
        QVERIFY(!os.isEmpty());
        server.writeFile(QStringLiteral("os/V610/VORT610.HEX"), os);
        server.control<QLabel>("Label5")->setText(server.writeFile(
            QStringLiteral("cfg.txt"), demoFile(QStringLiteral("sample-configuration.txt"))));
        server.control<QLabel>("Label9")->setText(server.writeFile(
            QStringLiteral("cameras.txt"), demoFile(QStringLiteral("camera-table.txt"))));

        ServerCaller::Options options;
        options.port = server.port();
        options.requests = {"VAN042,V610,CONFIG", "VAN042,V610,GPSLOC", "VAN042,V610,UPLOAD"};
        options.recallMs = 300;
        options.pauseMs = 50;
        QStringList report;
        ServerCaller caller(options, [&](const QString &line) { report << line; });
        QList<QByteArray> images;
        connect(&caller, &ServerCaller::transferCompleted, this,
                [&] { images << caller.unit().receivedImage(); });
        QVERIFY(caller.start());
        QVERIFY(server.run([] {}, [&] { return caller.completedTransfers() == 3; }));

        QCOMPARE(images.size(), 3);
        QCOMPARE(images[0].size(), 540);
        QCOMPARE(images[0].at(0), 'V');                              // character 8 of the request
        QCOMPARE(images[0].mid(16, 12), QByteArray("+31612345678")); // base phone number
        QCOMPARE(images[1].size(), 630);
        QCOMPARE(images[1].left(6), QByteArray("\x33\x2C\x10\x05\x2E\x61", 6)); // row 0
        // The operating system as stored, the last packet padded with F.
        const QByteArray data = caller.unit().receivedData();
        QCOMPARE(data.size() % 180, 0);
        QCOMPARE(data.left(os.size()), os);
        QCOMPARE(data.mid(os.size()), QByteArray(data.size() - os.size(), 'F'));
        QVERIFY(report.first().startsWith(QStringLiteral("calling 127.0.0.1:")));
        QVERIFY(report.contains(QStringLiteral("no answer from the server, calling again")));
        QCOMPARE(server.activityCount(
                     QStringLiteral("Operating system has been downloaded successfull !")),
                 1);
    }
};

QTEST_MAIN(TestUdpDemoUnit)
#include "test_udp_demo_unit.moc"
