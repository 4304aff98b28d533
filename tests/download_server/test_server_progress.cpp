// The console's packet line: which packet of how many is on its way, cleared at the end.
#include "support/server_fixture.h"

#include "unit_simulator/udp_unit_client.h"

#include <QLabel>
#include <QtTest>

class TestServerProgress : public QObject
{
    Q_OBJECT
private slots:
    void packetLineCountsThePackets_data()
    {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<int>("fileLength"); // operating system file; -1: none
        QTest::addColumn<int>("packets");
        QTest::newRow("configuration") << QByteArray("VORT01,V007CONFIG") << -1 << 6;
        QTest::newRow("gps table") << QByteArray("VORT01,GPSLOC") << -1 << 7;
        QTest::newRow("system, 400 characters") << QByteArray("UPLOAD,V610") << 400 << 3;
        QTest::newRow("system, exactly 2 packets") << QByteArray("UPLOAD,V610") << 360 << 2;
        QTest::newRow("system, empty file") << QByteArray("UPLOAD,V610") << 0 << 1;
    }
    void packetLineCountsThePackets()
    {
        QFETCH(QByteArray, request);
        QFETCH(int, fileLength);
        QFETCH(int, packets);
        ServerImageSource images;
        const auto built = ServerImageResult{ServerImageResult::Status::Built, {}};
        images.configuration = [&](const QString &, const QByteArray &, QByteArray &image) {
            image = QByteArray(downloadImageSize, '\x11');
            return built;
        };
        images.gps = [&](const QString &, QByteArray &image) {
            image = QByteArray(downloadImageSize, '\x22');
            return built;
        };
        ServerFixture server(images, 20);
        if (fileLength >= 0) {
            server.useOperatingSystemBase();
            server.writeFile(QStringLiteral("os/V610/os.bin"), QByteArray(fileLength, 'x'));
        }
        auto *line = server.control<QLabel>("packetProgress");
        QVERIFY(line);
        QVERIFY(line->text().isEmpty());
        UdpUnitClient unit;
        QVERIFY(unit.open());
        QStringList seen;
        connect(&unit, &UdpUnitClient::packetReceived, line,
                [&](const QByteArray &) { seen << line->text(); });

        QVERIFY(
            server.run([&] { server.sendFrom(unit, request); }, [&] { return unit.isComplete(); }));

        QStringList expected;
        for (int packet = 1; packet <= packets; ++packet)
            expected << QStringLiteral("Packet %1 of %2").arg(packet).arg(packets);
        QCOMPARE(seen, expected);
        QVERIFY(line->text().isEmpty());
    }
};

QTEST_MAIN(TestServerProgress)
#include "test_server_progress.moc"
