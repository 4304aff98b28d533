// Transfers over a link losing packets and acknowledgements (fixed seeds) complete exactly, or end
// with the "Error2" line and the unit holding a true beginning of the data: never wrong data.
#include "support/server_fixture.h"
#include "support/valid_configuration.h"

#include "config_tool/configuration/configuration_file.h"
#include "config_tool/location_table/location_table_file.h"
#include "download_server/server_images.h"
#include "unit_simulator/udp_unit_client.h"

#include <QMap>
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

// Endings per loss rate in percent.
QMap<int, int> completed;
QMap<int, int> gaveUp;
} // namespace

class TestPacketLoss : public QObject
{
    Q_OBJECT

private slots:
    void everyTransferCompletesOrGivesUpCleanly_data()
    {
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<double>("loss");
        QTest::addColumn<quint32>("seed");
        const char *const names[] = {"operating system", "configuration", "GPS table"};
        // A fifth lost each way; and a link so bad that giving up is the usual end.
        for (const double loss : {0.2, 0.6})
            for (quint32 seed = 1; seed <= (loss < 0.5 ? 8u : 2u); ++seed)
                for (int kind = 0; kind < 3; ++kind)
                    QTest::addRow("%s, %d%%, seed %u", names[kind], int(loss * 100), seed)
                        << Kind(kind) << loss << seed;
    }

    void everyTransferCompletesOrGivesUpCleanly()
    {
        QFETCH(Kind, kind);
        QFETCH(double, loss);
        QFETCH(quint32, seed);
        ServerFixture server({}, 25);
        const QByteArray request =
            QList<QByteArray>{"UPLOAD,V610", "VORT01,V007CONFIG", "VORT01,GPSLOC"}[int(kind)];
        const QString success =
            QStringList{"Operating system", "Configuration file", "GPS Camera file"}[int(kind)] +
            QStringLiteral(" has been downloaded successfull !");
        QByteArray expected; // what the unit should hold at the end
        if (kind == Kind::OperatingSystem) {
            server.useOperatingSystemBase();
            expected = operatingSystemFile();
            server.writeFile(QStringLiteral("os/V610/os.bin"), expected);
            expected += QByteArray(1620 - expected.size(), 'F');
        } else if (kind == Kind::Configuration) {
            const QString path =
                server.writeFile(QStringLiteral("configuration.txt"),
                                 configurationFileContent(TestSupport::validConfiguration()));
            server.settings().setConfigurationFile(path);
            QCOMPARE(buildServerConfigurationImage(path, request, expected).status,
                     ServerImageResult::Status::Built);
            expected.truncate(540);
        } else {
            const QString path = server.writeFile(QStringLiteral("table.txt"),
                                                  LocationTableFile::write(tableCells()));
            server.settings().setGpsTableFile(path);
            QCOMPARE(buildServerGpsImage(path, expected).status, ServerImageResult::Status::Built);
            expected.truncate(630);
        }

        UdpUnitClient unit;
        QVERIFY(unit.open());
        unit.setLoss(loss, seed);
        // The endings shown: the success line (once) and every line of giving up.
        const auto endings = [&] {
            const QStringList activity = server.activity();
            return QStringList(activity.contains(success) ? 1 : 0, success) +
                   activity.filter(QStringLiteral("Error2 : "));
        };
        const auto ended = [&] { return !endings().isEmpty(); };
        QVERIFY(server.run([&] { server.sendFrom(unit, request); }, ended, 60000));

        const QByteArray held =
            kind == Kind::OperatingSystem ? unit.receivedData() : unit.receivedImage();
        const QStringList ending = endings();
        QCOMPARE(ending.size(), 1); // one ending, and only one
        const bool succeeded = ending.first() == success;
        if (succeeded) {
            ++completed[int(loss * 100)];
            QVERIFY(unit.isComplete());
            QCOMPARE(held, expected);
        } else {
            ++gaveUp[int(loss * 100)];
            QVERIFY2(expected.startsWith(held), "the unit holds data that was never sent");
        }
        // The ending reaches the log file too.
        QVERIFY(server.logLines().constLast().contains(ending.first().toLatin1()));
    }

    void cleanupTestCase()
    {
        for (const int percent : {20, 60})
            qInfo("%d%% loss each way: %d transfers completed, %d ended with Error2", percent,
                  completed.value(percent), gaveUp.value(percent));
    }
};

QTEST_MAIN(TestPacketLoss)
#include "test_packet_loss.moc"
