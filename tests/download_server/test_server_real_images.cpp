// The whole way a configuration file takes to a unit, as vortsetup writes it: chosen on the
// console, built by the server's own builder, carried over loopback UDP and put together again
// by the simulated unit (the table's whole way: the headless test).
#include "download_texts.h"

#include "support/server_fixture.h"
#include "support/valid_configuration.h"

#include "config_tool/configuration/configuration_file.h"
#include "download_server/server_images.h"
#include "unit_simulator/udp_unit_client.h"

#include <QLabel>
#include <QtTest>

class TestServerRealImages : public QObject
{
    Q_OBJECT
private slots:
    // A configuration file as vortsetup writes it, read again for the next unit only when its
    // size or time changed; each unit's own request still opens its image.
    void configurationFileChangedOnDisk_data()
    {
        QTest::addColumn<QString>("phone");
        QTest::addColumn<bool>("keepTime");
        QTest::addColumn<QByteArray>("secondImageNumber");
        QTest::newRow("shorter number")
            << QStringLiteral("012345678") << false << QByteArray("012345678#");
        QTest::newRow("same length, later time")
            << QStringLiteral("9876543210") << false << QByteArray("9876543210#");
        QTest::newRow("same length and time: kept")
            << QStringLiteral("9876543210") << true << QByteArray("0123456789#");
    }
    void configurationFileChangedOnDisk()
    {
        QFETCH(QString, phone);
        QFETCH(bool, keepTime);
        QFETCH(QByteArray, secondImageNumber);
        ServerFixture server({}, 20, true, 2);
        ConfigurationRecord values = TestSupport::validConfiguration();
        const QString path =
            server.writeFile(QStringLiteral("cfg1.txt"), configurationFileContent(values));
        server.control<QLabel>("Label5")->setText(path);
        const QDateTime written = QFileInfo(path).lastModified();
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
            file.close();
            server.sendFrom(second, "VORT02,R007CONFIG");
        });
        QVERIFY(server.run([&] { server.sendFrom(first, "VORT01,Q007CONFIG"); },
                           [&] { return second.isComplete(); }));
        QCOMPARE(first.receivedImage(), expected.left(540));
        QCOMPARE(second.receivedImage().mid(16, secondImageNumber.size()), secondImageNumber);
        QCOMPARE(second.receivedImage().at(0), 'R');
        QCOMPARE(server.activity().filter(configSuccess).size(), 2);
    }
};

QTEST_MAIN(TestServerRealImages)
#include "test_server_real_images.moc"
