// Transfers to a unit on a poor link: the simulated unit loses a fifth of the packets and of its
// acknowledgements, at random from a fixed seed. Every transfer either completes with the unit
// holding exactly what was sent, or ends with the "Error2" line with the unit holding a true
// beginning of it: never wrong data.
#include "support/server_fixture.h"
#include "support/valid_configuration.h"

#include "config_tool/configuration/configuration_file.h"
#include "config_tool/location_table/location_table_file.h"
#include "download_server/server_images.h"
#include "unit_simulator/udp_unit_client.h"

#include <QLabel>
#include <QtTest>

namespace {
enum class Kind { OperatingSystem, Configuration, GpsTable };

QByteArray operatingSystemFile()
{
    QByteArray data(1500, '\0'); // nine packets, the last one padded
    for (qsizetype i = 0; i < data.size(); ++i)
        data[i] = static_cast<char>((i * 11 + 5) % 256);
    return data;
}

QStringList tableCells()
{
    QStringList cells;
    for (int row = 0; row < LocationTableFile::rowCount; ++row) {
        cells << QString::number(row) << QStringLiteral("%1.%2").arg(row % 90).arg(row * 37 % 9999)
              << QStringLiteral("%1.%2").arg(row + 3).arg(row * 53 % 9999);
    }
    return cells;
}

int completed = 0;
int gaveUp = 0;
} // namespace

class TestPacketLoss : public QObject
{
    Q_OBJECT

private slots:
    void everyTransferCompletesOrGivesUpCleanly_data()
    {
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<quint32>("seed");
        for (quint32 seed = 1; seed <= 8; ++seed) {
            QTest::addRow("operating system, seed %u", seed) << Kind::OperatingSystem << seed;
            QTest::addRow("configuration, seed %u", seed) << Kind::Configuration << seed;
            QTest::addRow("GPS table, seed %u", seed) << Kind::GpsTable << seed;
        }
    }

    void everyTransferCompletesOrGivesUpCleanly()
    {
        QFETCH(Kind, kind);
        QFETCH(quint32, seed);
        ServerFixture server({}, 25);
        QByteArray request;
        QString success;
        QByteArray expected; // what the unit should hold at the end
        switch (kind) {
        case Kind::OperatingSystem: {
            server.useOperatingSystemBase();
            const QByteArray file = operatingSystemFile();
            server.writeFile(QStringLiteral("os/V610/os.bin"), file);
            request = "UPLOAD,V610";
            success = QStringLiteral("Operating system has been downloaded successfull !");
            expected = file + QByteArray(1620 - file.size(), 'F');
            break;
        }
        case Kind::Configuration: {
            const QString path =
                server.writeFile(QStringLiteral("configuration.txt"),
                                 configurationFileContent(TestSupport::validConfiguration()));
            server.control<QLabel>("Label5")->setText(path);
            request = "VORT01,V007CONFIG";
            success = QStringLiteral("Configuration file has been downloaded successfull !");
            QByteArray image;
            QCOMPARE(buildServerConfigurationImage(path, request, image).status,
                     ServerImageResult::Status::Built);
            expected = image.left(540);
            break;
        }
        case Kind::GpsTable: {
            const QString path = server.writeFile(QStringLiteral("table.txt"),
                                                  LocationTableFile::write(tableCells()));
            server.control<QLabel>("Label9")->setText(path);
            request = "VORT01,GPSLOC";
            success = QStringLiteral("GPS Camera file has been downloaded successfull !");
            QByteArray image;
            QCOMPARE(buildServerGpsImage(path, image).status, ServerImageResult::Status::Built);
            expected = image.left(630);
            break;
        }
        }

        UdpUnitClient unit;
        QVERIFY(unit.open());
        unit.setLoss(0.2, seed);
        const auto ended = [&] {
            for (const QString &line : server.activity()) {
                if (line == success || line.startsWith(QStringLiteral("Error2 : ")))
                    return true;
            }
            return false;
        };
        QVERIFY(server.run([&] { server.sendFrom(unit, request); }, ended, 60000));

        const QByteArray held =
            kind == Kind::OperatingSystem ? unit.receivedData() : unit.receivedImage();
        const QStringList activity = server.activity();
        const bool succeeded = activity.contains(success);
        const auto error2 = activity.filter(QStringLiteral("Error2 : "));
        QCOMPARE(int(succeeded) + error2.size(), 1); // one ending, and only one
        if (succeeded) {
            ++completed;
            QVERIFY(unit.isComplete());
            QCOMPARE(held, expected);
        } else {
            ++gaveUp;
            QVERIFY2(expected.startsWith(held), "the unit holds data that was never sent");
        }
        // The ending reaches the log file too.
        const QByteArray ending = (succeeded ? success : error2.first()).toLatin1();
        QVERIFY(server.logLines().last().contains(ending));
    }

    void cleanupTestCase()
    {
        qInfo("20%% loss each way: %d transfers completed, %d ended with Error2", completed,
              gaveUp);
    }
};

QTEST_MAIN(TestPacketLoss)
#include "test_packet_loss.moc"
