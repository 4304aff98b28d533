// The download exchange over real loopback sockets: the console's listening loop on one side,
// the simulated unit on the other, with a short tick.
#include "support/server_fixture.h"

#include "download_server/log_line.h"
#include "unit_simulator/udp_unit_client.h"

#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QtTest>

namespace {
const QString osSuccess = QStringLiteral("Operating system has been downloaded successfull !");
const QString osNotFound = QStringLiteral("Error : NO Operating system file found to upload !!!");
const QString configSuccess =
    QStringLiteral("Configuration file has been downloaded successfull !");
const QString configNotFound = QStringLiteral("Error : Configuration file not found !!!");
const QString gpsSuccess = QStringLiteral("GPS Camera file has been downloaded successfull !");
const QString gpsNotFound = QStringLiteral("Error : GPS Camera file not found !!!");

QString sent(const char *number)
{
    return QStringLiteral("Packet number %1 has been send to Tracking unit.").arg(number);
}
QString error1(const char *id)
{
    return QStringLiteral("Error1 : Unit update with UDP packet ID :%1 not succesfull !").arg(id);
}
QString error2(const char *id)
{
    return QStringLiteral("Error2 : Unit update with UDP packet ID :%1 not succesfull !").arg(id);
}

// Every byte value, line breaks included: the file travels as stored.
QByteArray fileOf(qsizetype size)
{
    QByteArray data(size, '\0');
    for (qsizetype i = 0; i < size; ++i)
        data[i] = static_cast<char>((i * 7 + 13) % 256);
    return data;
}

QByteArray imageOf(int seed)
{
    QByteArray image(downloadImageSize, '\0');
    for (int i = 0; i < image.size(); ++i)
        image[i] = static_cast<char>((i * 31 + seed) % 256);
    return image;
}

// Image builders that hand out fixed images and remember what they were asked.
struct FixedImages
{
    QByteArray configuration = imageOf(1);
    QByteArray gps = imageOf(2);
    ServerImageResult result{ServerImageResult::Status::Built, {}};
    int calls = 0;
    QString lastPath;
    QByteArray lastRequest;

    ServerImageSource source()
    {
        ServerImageSource images;
        images.configuration = [this](const QString &path, const QByteArray &request,
                                      QByteArray &image) {
            ++calls;
            lastPath = path;
            lastRequest = request;
            image = configuration;
            return result;
        };
        images.gps = [this](const QString &path, QByteArray &image) {
            ++calls;
            lastPath = path;
            image = gps;
            return result;
        };
        return images;
    }
};

QByteArray logLine(const QString &text)
{
    return "\"" + text.toLatin1() + "\"\r\n";
}

// The log lines that follow the load line, without their timestamps (a line without a
// well-formed stamp is kept whole, so it fails the comparison).
QList<QByteArray> logTexts(const ServerFixture &server)
{
    QList<QByteArray> texts;
    const QList<QByteArray> lines = server.logLines();
    static const QRegularExpression stamp(
        QStringLiteral("^#\\d{4}-\\d{2}-\\d{2}( \\d{2}:\\d{2}:\\d{2})?#,\""));
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QString line = QString::fromLatin1(lines[i]);
        const QRegularExpressionMatch match = stamp.match(line);
        texts << (match.hasMatch() ? lines[i].mid(match.capturedLength() - 1) : lines[i]);
    }
    return texts;
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
        QTest::newRow("afternoon")
            << QDateTime(QDate(2005, 5, 16), QTime(14, 3, 22)) << configSuccess
            << QByteArray("#2005-05-16 14:03:22#,\"Configuration file has been downloaded "
                          "successfull !\"\r\n");
        QTest::newRow("midnight leaves out the time")
            << QDateTime(QDate(2005, 5, 16), QTime(0, 0, 0)) << QStringLiteral("x")
            << QByteArray("#2005-05-16#,\"x\"\r\n");
        QTest::newRow("one second past midnight")
            << QDateTime(QDate(2005, 1, 2), QTime(0, 0, 1)) << QStringLiteral("x")
            << QByteArray("#2005-01-02 00:00:01#,\"x\"\r\n");
        QTest::newRow("text unchanged")
            << QDateTime(QDate(2005, 5, 16), QTime(9, 5, 7)) << QStringLiteral("A\"B,\xE9")
            << QByteArray("#2005-05-16 09:05:07#,\"A\"B,\xE9\"\r\n");
    }
    void logLineFormat()
    {
        QFETCH(QDateTime, when);
        QFETCH(QString, text);
        QFETCH(QByteArray, line);
        QCOMPARE(LogLine::format(when, text), line);
    }

    void operatingSystemFileInThreePackets()
    {
        ServerFixture server;
        server.useOperatingSystemBase();
        const QByteArray content = fileOf(400);
        // The first visible file in alphabetical order is sent; hidden files are not listed.
        server.writeFile(QStringLiteral("os/V610/.aaa"), "hidden");
        server.writeFile(QStringLiteral("os/V610/b_later.bin"), "later");
        server.writeFile(QStringLiteral("os/V610/A_first.bin"), content);
        UdpUnitClient unit;
        QVERIFY(unit.open());
        QVERIFY(server.run([&] { server.sendFrom(unit, "UPLOAD,V610"); },
                           [&] { return unit.isComplete(); }));

        QCOMPARE(unit.packets().size(), 3);
        QCOMPARE(unit.packets()[0], "000" + content.mid(0, 180));
        QCOMPARE(unit.packets()[1], "001" + content.mid(180, 180));
        QCOMPARE(unit.packets()[2], "255" + content.mid(360) + QByteArray(140, 'F'));
        // One packet in flight: each is sent only after the reply to the one before (its
        // line follows the reply).
        const QString ack = QStringLiteral("Recieved: VORT01");
        const QStringList expected = {QStringLiteral("Recieved: UPLOAD,V610"),
                                      ack,
                                      sent("000"),
                                      ack,
                                      sent("001"),
                                      ack,
                                      sent("255"),
                                      osSuccess};
        QStringList activity = server.activity();
        activity.removeIf([](const QString &line) {
            return line.startsWith("Started") || line.startsWith("Stopped") ||
                   line.startsWith("Port :");
        });
        QCOMPARE(activity, expected);
        QCOMPARE(logTexts(server), (QList<QByteArray>{logLine("UPLOAD,V610"), logLine(osSuccess)}));
    }

    void operatingSystemFileSizes_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("packets");
        QTest::newRow("empty") << 0 << 1;
        QTest::newRow("one full packet") << 180 << 1;
        QTest::newRow("two full packets") << 360 << 2;
        QTest::newRow("largest that can be numbered") << 46080 << 256;
        QTest::newRow("one character too many") << 46081 << 0;
    }
    void operatingSystemFileSizes()
    {
        QFETCH(int, size);
        QFETCH(int, packets);
        ServerFixture server;
        server.useOperatingSystemBase();
        const QByteArray content = fileOf(size);
        server.writeFile(QStringLiteral("os/V700/os.hex"), content);
        UdpUnitClient unit;
        QVERIFY(unit.open());
        const QString refused =
            QStringLiteral("Error : Operating system file %1 is longer than 46080 characters, "
                           "not sent !!!")
                .arg(QDir::toNativeSeparators(server.dirPath() + "/os/V700/os.hex"));
        QVERIFY(
            server.run([&] { server.sendFrom(unit, "ABCDEFGV700UPLOAD"); },
                       [&] { return unit.isComplete() || server.activity().contains(refused); }));
        const QList<QByteArray> received = ServerFixture::delivered(unit);

        QCOMPARE(received.size(), packets);
        if (packets == 0) {
            QCOMPARE(server.activityCount(refused), 1);
            QCOMPARE(logTexts(server),
                     (QList<QByteArray>{logLine("ABCDEFGV700UPLOAD"), logLine(refused)}));
            return;
        }
        QVERIFY(received.last().startsWith("255"));
        for (const QByteArray &packet : received)
            QCOMPARE(packet.size(), 183);
        QByteArray expected = content;
        expected.append((180 - content.size() % 180) % 180, 'F');
        if (expected.isEmpty())
            expected = QByteArray(180, 'F');
        QCOMPARE(unit.receivedData(), expected);
        QCOMPARE(server.activityCount(osSuccess), 1);
        QVERIFY(server.control<QListWidget>("List1")->count() <= 300);
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
        const QString giveUp = error2(identifier.toLatin1());
        QVERIFY(server.run([&] { server.sendFrom(unit, request); },
                           [&] { return server.activity().contains(giveUp); }));
        const QList<QByteArray> received = ServerFixture::delivered(unit);

        QCOMPARE(received.size(), 5);
        for (const QByteArray &packet : received)
            QVERIFY(packet.startsWith("000"));
        QCOMPARE(server.activityCount(sent("000")), 5);
        QCOMPARE(server.activityCount(error1(identifier.toLatin1())), 5);
        QCOMPARE(server.activityCount(giveUp), 1);
        QCOMPARE(logTexts(server), (QList<QByteArray>{logLine(request), logLine(giveUp)}));
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
        QTest::addColumn<int>("packets");
        QTest::addColumn<QString>("success");
        QTest::newRow("configuration")
            << QByteArray("VORT01,V007CONFIG") << 0 << 6 << configSuccess;
        QTest::newRow("gps table") << QByteArray("VORT01,GPSLOC") << 0 << 7 << gpsSuccess;
        QTest::newRow("configuration, every third lost")
            << QByteArray("VORT01,V007CONFIG") << 3 << 6 << configSuccess;
        QTest::newRow("gps table, every second lost")
            << QByteArray("VORT01,GPSLOC") << 2 << 7 << gpsSuccess;
    }
    void imageTransfers()
    {
        QFETCH(QByteArray, request);
        QFETCH(int, dropEvery);
        QFETCH(int, packets);
        QFETCH(QString, success);
        FixedImages images;
        ServerFixture server(images.source(), 20);
        UdpUnitClient unit;
        QVERIFY(unit.open());
        unit.setDropEvery(dropEvery);
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
        const QByteArray &image = packets == 6 ? images.configuration : images.gps;
        QCOMPARE(unit.receivedImage(), image.left(packets * 90));
        QCOMPARE(server.activityCount(success), 1);
        if (dropEvery == 0)
            QCOMPARE(unit.packets().size(), packets);
        else
            QVERIFY(!server.activity().filter(QRegularExpression("^Error1 : ")).isEmpty());
        if (packets == 6)
            QCOMPARE(images.lastRequest, request);
    }

    // Nothing chosen gives "not found" for both images (a request naming both gets both
    // answers); a file that cannot be sent is refused, naming its line (and a table's row and
    // cell). The refusals go to the list and the log, and nothing is sent: the unit's first
    // packet is the one it asks for next.
    void refusedImagesSendNothing_data()
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
    }
    void refusedImagesSendNothing()
    {
        QFETCH(QByteArray, request);
        QFETCH(QString, label);
        QFETCH(QByteArray, file);
        QFETCH(QStringList, lines);
        ServerFixture server;
        server.useOperatingSystemBase();
        const QByteArray os = fileOf(100);
        server.writeFile(QStringLiteral("os/V610/A.bin"), os);
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
        QList<QByteArray> expected{logLine(request)};
        for (const QString &line : lines)
            expected << logLine(line);
        expected << logLine("UPLOAD,V610") << logLine(osSuccess);
        QCOMPARE(logTexts(server), expected);
    }

    void operatingSystemNotFound_data()
    {
        QTest::addColumn<QByteArray>("request");
        QTest::newRow("no such folder") << QByteArray("UPLOAD,V999");
        QTest::newRow("empty folder") << QByteArray("UPLOAD,EMPT");
        QTest::newRow("only a hidden file") << QByteArray("UPLOAD,HIDN");
        QTest::newRow("too short") << QByteArray("UPLOAD,V6");
        QTest::newRow("parent folder") << QByteArray("UPLOAD,../.");
        QTest::newRow("parent, backslash") << QByteArray("UPLOAD,..\\s");
        QTest::newRow("absolute") << QByteArray("UPLOAD,/etc");
        QTest::newRow("separator inside") << QByteArray("UPLOAD,V6/0");
        QTest::newRow("control characters") << QByteArray("UPLOAD,V6\x01\x02", 11);
        QTest::newRow("blank") << QByteArray("UPLOAD,V6 0");
        QTest::newRow("link out of the base") << QByteArray("UPLOAD,LINK");
    }
    void operatingSystemNotFound()
    {
        QFETCH(QByteArray, request);
        ServerFixture server;
        server.useOperatingSystemBase();
        QDir(server.dirPath()).mkpath(QStringLiteral("os/EMPT"));
        server.writeFile(QStringLiteral("os/HIDN/.os.bin"), fileOf(10));
        server.writeFile(QStringLiteral("os/V6/0/os.bin"), fileOf(10));
        server.writeFile(QStringLiteral("os/V6 0/os.bin"), fileOf(10));
        server.writeFile(QStringLiteral("s/secret.txt"), "secret");
        server.writeFile(QStringLiteral("os/s"), "not a folder");
        QFile::link(server.dirPath() + "/s", server.dirPath() + "/os/LINK");
        UdpUnitClient unit;
        QVERIFY(unit.open());
        QVERIFY(server.run([&] { server.sendFrom(unit, request); },
                           [&] { return server.activity().contains(osNotFound); }));
        QVERIFY(ServerFixture::delivered(unit).isEmpty());
        QCOMPARE(server.activityCount(osNotFound), 1);
        QCOMPARE(logTexts(server),
                 (QList<QByteArray>{logLine(QString::fromLatin1(request)), logLine(osNotFound)}));
    }

    // A stranger can neither acknowledge a packet nor start a transfer while one runs.
    void strangerDuringTransfer()
    {
        FixedImages images;
        ServerFixture server(images.source(), 20);
        server.useOperatingSystemBase();
        server.writeFile(QStringLiteral("os/V610/os.bin"), fileOf(400));
        UdpUnitClient unit;
        UdpUnitClient stranger;
        QVERIFY(unit.open());
        QVERIFY(stranger.open());
        connect(&unit, &UdpUnitClient::packetReceived, this, [&] {
            const bool first = unit.packets().size() == 1;
            unit.setSilent(first);
            if (first) {
                stranger.sendRaw("STRNG1", QHostAddress::LocalHost, server.port());
                stranger.sendRaw("STRNG1GPSLOC", QHostAddress::LocalHost, server.port());
            }
        });
        QVERIFY(server.run([&] { server.sendFrom(unit, "UPLOAD,V610"); },
                           [&] { return unit.isComplete(); }));
        const QList<QByteArray> received = ServerFixture::delivered(unit);

        QCOMPARE(received.size(), 4);
        QCOMPARE(received[0], received[1]);
        QCOMPARE(unit.receivedData().left(400), fileOf(400));
        QVERIFY(ServerFixture::delivered(stranger).isEmpty());
        QCOMPARE(server.activityCount(QStringLiteral("Recieved: STRNG1")), 1);
        QCOMPARE(server.activityCount(QStringLiteral("Recieved: STRNG1GPSLOC")), 1);
        QCOMPARE(server.activityCount(error1("UPLOAD")), 1);
        QCOMPARE(images.calls, 0);
        QCOMPARE(logTexts(server), (QList<QByteArray>{logLine("UPLOAD,V610"), logLine(osSuccess)}));
    }

    // The unit's last reply holds a keyword: it is a reply, never a new request.
    void replyHoldingKeywordHandledOnce()
    {
        FixedImages images;
        ServerFixture server(images.source(), 20);
        server.useOperatingSystemBase();
        server.writeFile(QStringLiteral("os/V610/os.bin"), fileOf(400));
        UdpUnitClient unit;
        QVERIFY(unit.open());
        unit.setAcknowledgement("VORT01CONFIGGPSLOC");
        QElapsedTimer since;
        QVERIFY(server.run([&] { server.sendFrom(unit, "UPLOAD,V610"); },
                           [&] {
                               if (!unit.isComplete())
                                   return false;
                               if (!since.isValid())
                                   since.start();
                               return since.elapsed() >
                                      300; // the loop goes round many times meanwhile
                           }));
        QCOMPARE(unit.packets().size(), 3);
        QCOMPARE(images.calls, 0);
        QCOMPARE(logTexts(server), (QList<QByteArray>{logLine("UPLOAD,V610"), logLine(osSuccess)}));
    }
};

QTEST_MAIN(TestServerProtocol)
#include "test_server_protocol.moc"
