// The download exchange over real loopback sockets: the console's listening loop on one side,
// the simulated unit on the other, with a short tick.
#include "download_texts.h"

#include "support/server_fixture.h"
#include "support/valid_configuration.h"

#include "config_tool/configuration/configuration_file.h"
#include "download_server/log_line.h"
#include "unit_simulator/udp_unit_client.h"

#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QtTest>

namespace {
const QString osNotFound = QStringLiteral("Error : NO Operating system file found to upload !!!");
const QString configNotFound = QStringLiteral("Error : Configuration file not found !!!");
const QString gpsNotFound = QStringLiteral("Error : GPS Camera file not found !!!");

QString sent(const QByteArray &number)
{
    return QStringLiteral("Packet number %1 has been send to Tracking unit.")
        .arg(QLatin1String(number));
}
QString error(int kind, const QString &id)
{
    return QStringLiteral("Error%1 : Unit update with UDP packet ID :%2 not succesfull !")
        .arg(QString::number(kind), id);
}

// The number of packet i of packets: from 000, the last 255.
QByteArray numbered(int i, int packets)
{
    return i == packets - 1 ? "255" : QByteArray::number(i).rightJustified(3, '0');
}

// The log after its load line.
QList<QByteArray> logged(const ServerFixture &server)
{
    return logTexts(server.logLines()).mid(1);
}
} // namespace

class TestServerProtocol : public QObject
{
    Q_OBJECT
private slots:
    void logLineFormat()
    {
        const QDate day(2005, 5, 16);
        QCOMPARE(LogLine::format(QDateTime(day, QTime(14, 3, 22)), QStringLiteral("x")),
                 QByteArray("#2005-05-16 14:03:22#,\"x\"\r\n"));
        // At midnight only the date.
        QCOMPARE(LogLine::format(QDateTime(day, QTime(0, 0)), QStringLiteral("x")),
                 QByteArray("#2005-05-16#,\"x\"\r\n"));
        QCOMPARE(LogLine::format(QDateTime(QDate(2005, 1, 2), QTime(0, 0, 1)), QStringLiteral("x")),
                 QByteArray("#2005-01-02 00:00:01#,\"x\"\r\n"));
        // The text unchanged.
        QCOMPARE(LogLine::format(QDateTime(day, QTime(9, 5, 7)), QStringLiteral("A\"B,\xE9")),
                 QByteArray("#2005-05-16 09:05:07#,\"A\"B,\xE9\"\r\n"));
    }

    // log.txt is opened for each line: once logrotate has renamed it, the next line starts a new
    // file and the renamed one keeps what it had.
    void logLineAfterRotation()
    {
        QTemporaryDir dir;
        const QString log = dir.filePath(LogLine::fileName);
        QVERIFY(LogLine::append(QStringLiteral("before"), log));
        QVERIFY(QFile::rename(log, log + QStringLiteral(".1")));
        QVERIFY(LogLine::append(QStringLiteral("after"), log));
        using Kept = std::pair<QString, QByteArray>;
        for (const auto &[path, text] : {Kept{log, "after"}, Kept{log + ".1", "before"}}) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QByteArray content = file.readAll();
            QCOMPARE(content.count('\n'), 1);
            QVERIFY2(content.endsWith(",\"" + text + "\"\r\n"), content.constData());
        }
    }

    // Packets numbered from 000, the last 255, one in flight: each is sent only after the reply
    // to the one before (its line follows the reply); the packet line shows which of how many is
    // on its way. The operating system is the first visible file of the unit's folder in
    // alphabetical order, 180 characters a packet, filled up with 'F'; an image goes 90 bytes a
    // packet. A refused packet is sent again at once and never counts as a time-out.
    void transfers_data()
    {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<int>("size"); // of the operating system file
        QTest::addColumn<int>("dropEvery");
        QTest::addColumn<int>("refusals");
        QTest::addColumn<int>("lossSeed"); // a link losing 3 datagrams in 10 each way (seeded)
        QTest::addColumn<int>("packets");  // 0: refused
        const QByteArray os = "ABCDEFGV700UPLOAD";
        QTest::newRow("empty") << os << 0 << 0 << 0 << 0 << 1;
        QTest::newRow("one full packet") << os << 180 << 0 << 0 << 0 << 1;
        QTest::newRow("two full packets") << os << 360 << 0 << 0 << 0 << 2;
        QTest::newRow("three packets") << os << 400 << 0 << 0 << 0 << 3;
        QTest::newRow("three packets, seven refusals") << os << 400 << 0 << 7 << 0 << 3;
        // The packet lost once on its way, then its reply (and then nothing): it comes again and
        // is answered again.
        QTest::newRow("one packet, then its reply lost") << os << 180 << 0 << 0 << 1359 << 1;
        QTest::newRow("largest that can be numbered") << os << 46080 << 0 << 0 << 0 << 256;
        QTest::newRow("one character too many") << os << 46081 << 0 << 0 << 0 << 0;
        const QByteArray configuration = "VORT01,V007CONFIG";
        const QByteArray gps = "VORT01,GPSLOC";
        QTest::newRow("configuration") << configuration << 0 << 0 << 0 << 0 << 6;
        QTest::newRow("gps table") << gps << 0 << 0 << 0 << 0 << 7;
        QTest::newRow("configuration, every third lost") << configuration << 0 << 3 << 0 << 0 << 6;
        QTest::newRow("gps table, every second lost") << gps << 0 << 2 << 0 << 0 << 7;
    }
    void transfers()
    {
        QFETCH(QByteArray, request);
        QFETCH(int, size);
        QFETCH(int, dropEvery);
        QFETCH(int, refusals);
        QFETCH(int, lossSeed);
        QFETCH(int, packets);
        FixedImages images;
        ServerFixture server(images.source(), 20);
        server.useOperatingSystemBase();
        const QByteArray content = fileOf(size);
        server.writeFile(QStringLiteral("os/V700/.aaa"), "hidden");
        server.writeFile(QStringLiteral("os/V700/b_later.bin"), "later");
        server.writeFile(QStringLiteral("os/V700/A_first.bin"), content);
        UdpUnitClient unit;
        QVERIFY(unit.open());
        unit.setDropEvery(dropEvery);
        unit.refuseNext(refusals);
        unit.setLoss(lossSeed ? 0.3 : 0, quint32(lossSeed));
        auto *progress = server.control<QLabel>("packetProgress");
        QStringList seen;
        connect(&unit, &UdpUnitClient::packetReceived, progress, [&] { seen << progress->text(); });
        const QString refused =
            QStringLiteral("Error : Operating system file %1 is longer than 46080 characters, "
                           "not sent !!!")
                .arg(QDir::toNativeSeparators(server.dirPath() + "/os/V700/A_first.bin"));
        QVERIFY(
            server.run([&] { server.sendFrom(unit, request); },
                       [&] { return unit.isComplete() || server.activity().contains(refused); }));
        const QStringList shown = seen; // before the marker below comes in
        QList<QByteArray> received = ServerFixture::delivered(unit);
        if (packets == 0) {
            QVERIFY(received.isEmpty());
            QCOMPARE(server.activityCount(refused), 1);
            QCOMPARE(logged(server), (QList<QByteArray>{logLine(request), logLine(refused)}));
            return;
        }

        const bool system = request.endsWith("UPLOAD");
        const bool configuration = request.endsWith("CONFIG");
        const QString success = system ? osSuccess : configuration ? configSuccess : gpsSuccess;
        if (!system) {
            const QByteArray &image = configuration ? images.configuration : images.gps;
            QCOMPARE(unit.receivedImage(), image.left(qsizetype(packets) * 90));
            QCOMPARE(images.requests, QByteArrayList{configuration ? request : "GPS"});
        }
        // An empty file goes as one packet of 'F'.
        const QByteArray data = system ? padded(size ? content : "F") : unit.receivedData();
        QList<QByteArray> expected;
        QStringList lines{QStringLiteral("Recieved: ") + request};
        QStringList progressLines; // the packet line as each packet comes
        for (int i = 0; i < packets; ++i) {
            expected << numbered(i, packets) + data.mid(qsizetype(i) * 180, 180);
            lines << QStringLiteral("Recieved: VORT01") << sent(numbered(i, packets));
            progressLines << QStringLiteral("Packet %1 of %2").arg(i + 1).arg(packets);
        }
        lines << success;
        // Resends folded: each packet once.
        received.resize(std::unique(received.begin(), received.end()) - received.begin());
        QCOMPARE(received, expected);
        QVERIFY(progress->text().isEmpty());
        QCOMPARE(logged(server), (QList<QByteArray>{logLine(request), logLine(success)}));
        const QStringList errors = server.activity().filter(QRegularExpression("^Error"));
        QCOMPARE(errors.isEmpty(), dropEvery == 0 && lossSeed == 0);
        // Each refusal answered with the packet again, at once (no time-out above).
        QCOMPARE(server.activityCount(QStringLiteral("Recieved: VORT00")), refusals);
        if (dropEvery > 0 || refusals > 0 || lossSeed > 0)
            return;
        const QStringList activity = server.activity().filter(
            QRegularExpression(QStringLiteral("^(?!Started|Stopped|Port :)")));
        // The list keeps its newest 300 lines.
        QCOMPARE(server.activity().size(), qMin(lines.size() + 3, qsizetype(300)));
        QCOMPARE(activity, lines.mid(lines.size() - activity.size()));
        QCOMPARE(shown, progressLines);
    }

    void silentUnit_data()
    {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<QString>("identifier");
        QTest::newRow("operating system") << QByteArray("UPLOAD,V610") << QStringLiteral("UPLOAD");
        QTest::newRow("configuration") << QByteArray("CONFIG,V007") << QStringLiteral("000");
    }
    void silentUnit()
    {
        QFETCH(QByteArray, request);
        QFETCH(QString, identifier);
        FixedImages images;
        ServerFixture server(images.source(), 20);
        server.useOperatingSystemBase();
        server.writeFile(QStringLiteral("os/V610/os.bin"), fileOf(400));
        UdpUnitClient unit;
        QVERIFY(unit.open());
        unit.setSilent(true);
        const QString giveUp = error(2, identifier);
        QVERIFY(server.run([&] { server.sendFrom(unit, request); },
                           [&] { return server.activity().contains(giveUp); }));
        const QList<QByteArray> received = ServerFixture::delivered(unit);

        QVERIFY(received.value(0).startsWith("000"));
        QCOMPARE(received, QByteArrayList(5, received.value(0)));
        QCOMPARE(server.activityCount(sent("000")), 5);
        QCOMPARE(server.activityCount(error(1, identifier)), 5);
        QCOMPARE(server.activityCount(giveUp), 1);
        QCOMPARE(logged(server), (QList<QByteArray>{logLine(request), logLine(giveUp)}));
    }

    // Nothing chosen gives "not found" for both images (a request naming both gets both
    // answers); a file that cannot be sent is refused, naming its line (and a table's row and
    // cell); an operating system folder that is not one below the base, or holds no visible file,
    // is not found. The refusals go to the list and the log, and nothing is sent: the unit's
    // first packet is the one it asks for next.
    void refusedRequestsSendNothing_data()
    {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<QString>("label"); // where the file is chosen
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QStringList>("lines");
        const QByteArray configurationStart = "\"V7.1\"\r\n1\r\n\"0123\"\r\n";
        QTest::newRow("nothing chosen") << QByteArray("CONFIG,V007,GPSLOC") << QString()
                                        << QByteArray() << QStringList{configNotFound, gpsNotFound};
        QTest::newRow("configuration file cut short")
            << QByteArray("CONFIG,V007") << QStringLiteral("Label5") << configurationStart
            << QStringList{QStringLiteral(
                   "Error : Configuration file %1 line 4: the file ends, geoFencingDelay missing")};
        QTest::newRow("configuration chosen as the table")
            << QByteArray("GPSLOC") << QStringLiteral("Label9") << configurationStart
            << QStringList{QStringLiteral(
                   "Error : GPS Camera file %1 line 1, row 0: ID \"V7.1\" is not a number")};
        const auto notFound = [](const char *name, const QByteArray &request) {
            QTest::newRow(name) << request << QString() << QByteArray() << QStringList{osNotFound};
        };
        notFound("no such folder", "UPLOAD,V999");
        notFound("empty folder", "UPLOAD,EMPT");
        notFound("only a hidden file", "UPLOAD,HIDN");
        notFound("too short", "UPLOAD,V6");
        notFound("parent folder", "UPLOAD,../.");
        notFound("parent, backslash", "UPLOAD,..\\s");
        notFound("absolute", "UPLOAD,/etc");
        notFound("separator inside", "UPLOAD,V6/0");
        notFound("control characters", QByteArray("UPLOAD,V6\x01\x02", 11));
        notFound("blank", "UPLOAD,V6 0");
        notFound("link out of the base", "UPLOAD,LINK");
    }
    void refusedRequestsSendNothing()
    {
        QFETCH(QByteArray, request);
        QFETCH(QString, label);
        QFETCH(QByteArray, file);
        QFETCH(QStringList, lines);
        ServerFixture server;
        server.useOperatingSystemBase();
        const QByteArray os = fileOf(100);
        server.writeFile(QStringLiteral("os/V610/A.bin"), os);
        QDir(server.dirPath()).mkpath(QStringLiteral("os/EMPT"));
        server.writeFile(QStringLiteral("os/HIDN/.os.bin"), fileOf(10));
        server.writeFile(QStringLiteral("os/V6/0/os.bin"), fileOf(10));
        server.writeFile(QStringLiteral("os/V6 0/os.bin"), fileOf(10));
        server.writeFile(QStringLiteral("s/secret.txt"), "secret");
        server.writeFile(QStringLiteral("os/s"), "not a folder");
        QFile::link(server.dirPath() + "/s", server.dirPath() + "/os/LINK");
        if (!label.isEmpty()) {
            const QString path = server.writeFile(QStringLiteral("cfg1.txt"), file);
            if (label == QStringLiteral("Label5"))
                server.settings().setConfigurationFile(path);
            else
                server.settings().setGpsTableFile(path);
            lines.replaceInStrings(QStringLiteral("%1"), path);
        }
        UdpUnitClient unit;
        QVERIFY(unit.open());
        // Datagrams are handled in turn: the refusal comes before the next request.
        QVERIFY(server.run(
            [&] {
                server.sendFrom(unit, request);
                server.sendFrom(unit, "UPLOAD,V610");
            },
            [&] { return unit.isComplete(); }));
        QCOMPARE(unit.packets().value(0), "255" + os + QByteArray(80, 'F'));
        QCOMPARE(server.activityCount(lines.last()), 1);
        QList<QByteArray> expected{logLine(request)};
        for (const QString &line : lines)
            expected << logLine(line);
        expected << logLine("UPLOAD,V610") << logLine(osSuccess);
        QCOMPARE(logged(server), expected);
    }

    // Only the unit's replies count while its transfer runs: a stranger can neither acknowledge a
    // packet nor start a transfer, and a reply holding keywords is never a new request.
    void onlyRepliesCountDuringTransfer()
    {
        FixedImages images;
        ServerFixture server(images.source(), 20);
        server.useOperatingSystemBase();
        server.writeFile(QStringLiteral("os/V610/os.bin"), fileOf(400));
        UdpUnitClient unit;
        UdpUnitClient stranger;
        QVERIFY(unit.open() && stranger.open());
        unit.setAcknowledgement("VORT01CONFIGGPSLOC");
        connect(&unit, &UdpUnitClient::packetReceived, this, [&] {
            const bool first = unit.packets().size() == 1;
            unit.setSilent(first);
            if (first) {
                stranger.sendRaw("STRNG1", QHostAddress::LocalHost, server.port());
                stranger.sendRaw("STRNG1GPSLOC", QHostAddress::LocalHost, server.port());
            }
        });
        // Datagrams are handled in turn: once the stranger's line sent after the last reply is
        // shown, that reply has been handled.
        bool ended = false;
        QVERIFY(server.run([&] { server.sendFrom(unit, "UPLOAD,V610"); },
                           [&] {
                               if (unit.isComplete() && !ended) {
                                   ended = true;
                                   server.sendFrom(stranger, "STRNG1 END");
                               }
                               return server.activity().contains("Recieved: STRNG1 END");
                           }));
        const QList<QByteArray> received = ServerFixture::delivered(unit);

        QCOMPARE(received.size(), 4);
        QCOMPARE(received[0], received[1]);
        QCOMPARE(unit.receivedData().left(400), fileOf(400));
        QVERIFY(ServerFixture::delivered(stranger).isEmpty());
        QCOMPARE(server.activityCount(QStringLiteral("Recieved: STRNG1")), 1);
        QCOMPARE(server.activityCount(QStringLiteral("Recieved: STRNG1GPSLOC")), 1);
        QCOMPARE(server.activityCount(error(1, "UPLOAD")), 1);
        QVERIFY(images.requests.isEmpty());
        QCOMPARE(logged(server), (QList<QByteArray>{logLine("UPLOAD,V610"), logLine(osSuccess)}));
    }

    // A configuration file as vortsetup writes it, chosen on the console and built by the
    // server's own builder, changed on disk between two units: the second gets the new content,
    // even when size and modification time stayed (a copy keeping times, a coarse clock); each
    // unit's own request still opens its image. (The table's whole way: the headless test.)
    void configurationFileChangedOnDisk_data()
    {
        QTest::addColumn<QString>("phone");
        QTest::addColumn<bool>("keepTime");
        QTest::newRow("shorter number, later time") << QStringLiteral("012345678") << false;
        QTest::newRow("same length and time") << QStringLiteral("9876543210") << true;
    }
    void configurationFileChangedOnDisk()
    {
        QFETCH(QString, phone);
        QFETCH(bool, keepTime);
        ServerFixture server({}, 20, true, 2);
        ConfigurationRecord values = TestSupport::validConfiguration();
        const QString path =
            server.writeFile(QStringLiteral("cfg1.txt"), configurationFileContent(values));
        server.settings().setConfigurationFile(path);
        const QDateTime written = QFileInfo(path).lastModified();
        const qint64 size = QFileInfo(path).size();
        QByteArray expected;
        QCOMPARE(buildServerConfigurationImage(path, "VORT01,Q007CONFIG", expected).status,
                 ServerImageResult::Status::Built);
        UdpUnitClient first;
        UdpUnitClient second;
        QVERIFY(first.open() && second.open());
        connect(&first, &UdpUnitClient::completed, this, [&] {
            values.basePhoneNumber = phone;
            server.writeFile(QStringLiteral("cfg1.txt"), configurationFileContent(values));
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadWrite));
            QVERIFY(file.setFileTime(keepTime ? written : written.addSecs(2),
                                     QFileDevice::FileModificationTime));
            QCOMPARE(file.size() == size, keepTime);
            server.sendFrom(second, "VORT02,R007CONFIG");
        });
        QVERIFY(server.run([&] { server.sendFrom(first, "VORT01,Q007CONFIG"); },
                           [&] { return second.isComplete(); }));
        QCOMPARE(first.receivedImage(), expected.left(540));
        const QByteArray secondImageNumber = phone.toLatin1() + '#';
        QCOMPARE(second.receivedImage().mid(16, secondImageNumber.size()), secondImageNumber);
        QCOMPARE(second.receivedImage().at(0), 'R');
        QCOMPARE(server.activity().filter(configSuccess).size(), 2);
    }
};

QTEST_MAIN(TestServerProtocol)
#include "test_server_protocol.moc"
