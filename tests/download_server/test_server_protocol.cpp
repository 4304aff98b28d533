// The download exchange over real loopback sockets: the console's listening loop on one side,
// the simulated unit on the other, with a short tick.
#include "download_texts.h"

#include "support/server_fixture.h"

#include "download_server/log_line.h"
#include "unit_simulator/udp_unit_client.h"

#include <QFile>
#include <QLabel>
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
        .arg(kind)
        .arg(id);
}

// The console's packet line as each packet comes: which of how many is on its way.
QStringList progressLines(int packets)
{
    QStringList lines;
    for (int packet = 1; packet <= packets; ++packet)
        lines << QStringLiteral("Packet %1 of %2").arg(packet).arg(packets);
    return lines;
}

// Image builders that hand out fixed images and remember what they were asked.
struct FixedImages
{
    QByteArray configuration = fileOf(downloadImageSize, 1);
    QByteArray gps = fileOf(downloadImageSize, 2);
    const ServerImageResult result{ServerImageResult::Status::Built, {}};
    int calls = 0;
    QByteArray lastRequest;

    ServerImageSource source()
    {
        ServerImageSource images;
        images.configuration = [this](const QString &, const QByteArray &request,
                                      QByteArray &image) {
            ++calls;
            lastRequest = request;
            image = configuration;
            return result;
        };
        images.gps = [this](const QString &, QByteArray &image) {
            ++calls;
            image = gps;
            return result;
        };
        return images;
    }
};

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
    void logLineFormat_data()
    {
        QTest::addColumn<QDateTime>("when");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("line");
        const auto row = [](const char *name, const QDateTime &when, const QString &text,
                            const QByteArray &line) {
            QTest::newRow(name) << when << text << line;
        };
        row("afternoon", QDateTime(QDate(2005, 5, 16), QTime(14, 3, 22)), configSuccess,
            "#2005-05-16 14:03:22#,\"Configuration file has been downloaded successfull !\"\r\n");
        row("midnight leaves out the time", QDateTime(QDate(2005, 5, 16), QTime(0, 0, 0)), "x",
            "#2005-05-16#,\"x\"\r\n");
        row("one second past midnight", QDateTime(QDate(2005, 1, 2), QTime(0, 0, 1)), "x",
            "#2005-01-02 00:00:01#,\"x\"\r\n");
        row("text unchanged", QDateTime(QDate(2005, 5, 16), QTime(9, 5, 7)),
            QStringLiteral("A\"B,\xE9"), "#2005-05-16 09:05:07#,\"A\"B,\xE9\"\r\n");
    }
    void logLineFormat()
    {
        QFETCH(QDateTime, when);
        QFETCH(QString, text);
        QFETCH(QByteArray, line);
        QCOMPARE(LogLine::format(when, text), line);
    }

    // The first visible file of the unit's folder in alphabetical order goes in packets of 180
    // characters, numbered from 000, the last 255 and filled up with 'F'. One packet in flight:
    // each is sent only after the reply to the one before (its line follows the reply).
    void operatingSystemFile_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("packets");
        QTest::newRow("empty") << 0 << 1;
        QTest::newRow("one full packet") << 180 << 1;
        QTest::newRow("two full packets") << 360 << 2;
        QTest::newRow("three packets") << 400 << 3;
        QTest::newRow("largest that can be numbered") << 46080 << 256;
        QTest::newRow("one character too many") << 46081 << 0;
    }
    void operatingSystemFile()
    {
        QFETCH(int, size);
        QFETCH(int, packets);
        ServerFixture server;
        server.useOperatingSystemBase();
        const QByteArray content = fileOf(size);
        server.writeFile(QStringLiteral("os/V700/.aaa"), "hidden");
        server.writeFile(QStringLiteral("os/V700/b_later.bin"), "later");
        server.writeFile(QStringLiteral("os/V700/A_first.bin"), content);
        UdpUnitClient unit;
        QVERIFY(unit.open());
        auto *progress = server.control<QLabel>("packetProgress");
        QStringList seen;
        connect(&unit, &UdpUnitClient::packetReceived, progress, [&] { seen << progress->text(); });
        const QString refused =
            QStringLiteral("Error : Operating system file %1 is longer than 46080 characters, "
                           "not sent !!!")
                .arg(QDir::toNativeSeparators(server.dirPath() + "/os/V700/A_first.bin"));
        const QByteArray request = "ABCDEFGV700UPLOAD";
        QVERIFY(
            server.run([&] { server.sendFrom(unit, request); },
                       [&] { return unit.isComplete() || server.activity().contains(refused); }));
        const QStringList shown = seen; // before the marker below comes in
        const QList<QByteArray> received = ServerFixture::delivered(unit);
        if (packets == 0) {
            QVERIFY(received.isEmpty());
            QCOMPARE(server.activityCount(refused), 1);
            QCOMPARE(logged(server), (QList<QByteArray>{logLine(request), logLine(refused)}));
            return;
        }

        const QByteArray data = size == 0 ? QByteArray(180, 'F') : padded(content);
        QList<QByteArray> expected;
        QStringList lines{QStringLiteral("Recieved: ") + request};
        for (int i = 0; i < packets; ++i) {
            const QByteArray number =
                i == packets - 1 ? "255" : QByteArray::number(i).rightJustified(3, '0');
            expected << number + data.mid(qsizetype(i) * 180, 180);
            lines << QStringLiteral("Recieved: VORT01") << sent(number);
        }
        lines << osSuccess;
        QCOMPARE(received, expected);
        QStringList activity = server.activity();
        activity.removeIf([](const QString &line) {
            return line.startsWith("Started") || line.startsWith("Stopped") ||
                   line.startsWith("Port :");
        });
        // The list keeps its newest lines.
        QVERIFY(activity.size() >= qMin(lines.size(), qsizetype(290)));
        QCOMPARE(activity, lines.mid(lines.size() - activity.size()));
        QCOMPARE(shown, progressLines(packets));
        QVERIFY(progress->text().isEmpty());
        QCOMPARE(logged(server), (QList<QByteArray>{logLine(request), logLine(osSuccess)}));
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

        QCOMPARE(received.size(), 5);
        for (const QByteArray &packet : received)
            QVERIFY(packet.startsWith("000"));
        QCOMPARE(server.activityCount(sent("000")), 5);
        QCOMPARE(server.activityCount(error(1, identifier)), 5);
        QCOMPARE(server.activityCount(giveUp), 1);
        QCOMPARE(logged(server), (QList<QByteArray>{logLine(request), logLine(giveUp)}));
    }

    // Refusals are answered at once and never count as time-outs, however many there are.
    void refusalResentAtOnce()
    {
        ServerFixture server;
        server.useOperatingSystemBase();
        server.writeFile(QStringLiteral("os/V610/os.bin"), fileOf(400));
        UdpUnitClient unit;
        QVERIFY(unit.open());
        unit.refuseNext(7);
        QVERIFY(server.run([&] { server.sendFrom(unit, "UPLOAD,V610"); },
                           [&] { return unit.isComplete(); }));

        QCOMPARE(unit.packets().size(), 10);
        for (int i = 0; i < 8; ++i)
            QCOMPARE(unit.packets()[i], unit.packets()[0]);
        QCOMPARE(server.activityCount(sent("000")), 8);
        QCOMPARE(server.activityCount(QStringLiteral("Recieved: VORT00")), 7);
        for (const QString &line : server.activity())
            QVERIFY2(!line.startsWith("Error"), qPrintable(line));
        QCOMPARE(unit.receivedData().left(400), fileOf(400));
        QCOMPARE(server.activityCount(osSuccess), 1);
    }

    void imageTransfers_data()
    {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<int>("dropEvery");
        QTest::newRow("configuration") << QByteArray("VORT01,V007CONFIG") << 0;
        QTest::newRow("gps table") << QByteArray("VORT01,GPSLOC") << 0;
        QTest::newRow("configuration, every third lost") << QByteArray("VORT01,V007CONFIG") << 3;
        QTest::newRow("gps table, every second lost") << QByteArray("VORT01,GPSLOC") << 2;
    }
    void imageTransfers()
    {
        QFETCH(QByteArray, request);
        QFETCH(int, dropEvery);
        const bool configuration = request.endsWith("CONFIG");
        const int packets = configuration ? 6 : 7;
        FixedImages images;
        ServerFixture server(images.source(), 20);
        UdpUnitClient unit;
        QVERIFY(unit.open());
        unit.setDropEvery(dropEvery);
        auto *progress = server.control<QLabel>("packetProgress");
        QStringList seen;
        connect(&unit, &UdpUnitClient::packetReceived, progress, [&] { seen << progress->text(); });
        QVERIFY(
            server.run([&] { server.sendFrom(unit, request); }, [&] { return unit.isComplete(); }));

        QStringList numbers;
        for (const QByteArray &packet : unit.packets()) {
            QCOMPARE(packet.size(), 183);
            if (numbers.isEmpty() || numbers.last() != packet.left(3))
                numbers << QString::fromLatin1(packet.left(3));
        }
        QStringList expected;
        for (int i = 0; i < packets - 1; ++i)
            expected << QStringLiteral("%1").arg(i, 3, 10, QLatin1Char('0'));
        expected << QStringLiteral("255");
        QCOMPARE(numbers, expected);
        const QByteArray &image = configuration ? images.configuration : images.gps;
        QCOMPARE(unit.receivedImage(), image.left(qsizetype(packets) * 90));
        QCOMPARE(server.activityCount(configuration ? configSuccess : gpsSuccess), 1);
        QVERIFY(progress->text().isEmpty());
        if (dropEvery == 0) {
            QCOMPARE(unit.packets().size(), packets);
            QCOMPARE(seen, progressLines(packets));
        } else {
            QVERIFY(!server.activity().filter(QRegularExpression("^Error1 : ")).isEmpty());
        }
        if (configuration)
            QCOMPARE(images.lastRequest, request);
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
            server.control<QLabel>(label.toLatin1().constData())->setText(path);
            lines.replaceInStrings(QStringLiteral("%1"), path);
        }
        UdpUnitClient unit;
        QVERIFY(unit.open());
        bool refused = false;
        QVERIFY(server.run([&] { server.sendFrom(unit, request); },
                           [&] {
                               if (!refused && server.activity().contains(lines.last())) {
                                   refused = true;
                                   server.sendFrom(unit, "UPLOAD,V610");
                               }
                               return unit.isComplete();
                           }));
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
        QCOMPARE(images.calls, 0);
        QCOMPARE(logged(server), (QList<QByteArray>{logLine("UPLOAD,V610"), logLine(osSuccess)}));
    }
};

QTEST_MAIN(TestServerProtocol)
#include "test_server_protocol.moc"
