#include "config_tool/configuration/configuration_file.h"
#include "config_tool/configuration/configuration_image.h"
#include "download_server/server_images.h"
#include "support/valid_configuration.h"

#include <QTemporaryDir>
#include <QtTest>

// Server builds its images from the files vortsetup writes; the tests write them the same way.
namespace {
using Bytes = QList<int>;
using Status = ServerImageResult::Status;

const QByteArray request = "CONFIG,V007,unit"; // characters 8 to 11: V007

QList<QByteArray> fileLines(const ConfigurationRecord &record)
{
    return configurationFileContent(record).replace("\r\n", "\n").trimmed().split('\n');
}

Bytes bytesAt(const QByteArray &image, int position, int count)
{
    Bytes bytes;
    for (int i = 0; i < count; ++i)
        bytes << quint8(image[position + i]);
    return bytes;
}

QByteArray gpsLine(const QByteArray &id, const QByteArray &latitude, const QByteArray &longitude)
{
    return '"' + id + "\",\"" + latitude + "\",\"" + longitude + "\"\r\n";
}
} // namespace

class TestServerImages : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_dir;

    // The file's path; an empty one (never built) when it cannot be written.
    QString write(const QByteArray &content, const char *name = "unit.cfg")
    {
        QFile file(m_dir.filePath(QLatin1String(name)));
        return file.open(QIODevice::WriteOnly) && file.write(content) == content.size()
                   ? file.fileName()
                   : QString();
    }

private slots:
    // For a version text other than "6" or "1", the server's image is vortsetup's but for the
    // positions the two are known to differ in.
    void matchesTheToolsImageButForItsDifferences()
    {
        const ConfigurationRecord record = TestSupport::validConfiguration(); // "V7.X"
        QByteArray image;
        const ServerImageResult result =
            buildServerConfigurationImage(write(configurationFileContent(record)), request, image);
        QCOMPARE(result.status, Status::Built);

        QByteArray expected = *encodeConfigurationImage(record);
        expected[0] = 'V'; // from the request
        expected[8] = char(0xFF);
        expected += QByteArray(downloadImageSize - 256, char(0xFF));
        QCOMPARE(image, expected);
    }

    // One line of the valid record's file replaced, or the file cut short (line 0: to `value`
    // lines): the bytes the server makes of it, or one refusal naming the file and the line (the
    // valid record's own values: matchesTheToolsImageButForItsDifferences).
    void readsEachLine_data()
    {
        QTest::addColumn<QByteArray>("version");
        QTest::addColumn<int>("line");
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<int>("position"); // -1: refused
        QTest::addColumn<Bytes>("bytes");
        const auto row = [](const char *name, const char *version, int line,
                            const QByteArray &value, int position = -1, const Bytes &bytes = {}) {
            QTest::newRow(name) << QByteArray(version) << line << value << position << bytes;
        };
        row("port 511.6 rounds first", "V7.X", 15, "\"511.6\"", 68, {2, 0});
        row("empty phone", "V7.X", 3, "\"\"", 16,
            {35, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 0});
        row("empty APN", "V7.X", 24, "\"\"", 224, Bytes(32, 255));
        row("latitude without point", "V7.X", 27, "\"255\"", 4, {255, 255, 255});
        row("halves to even", "V7.X", 4, "\"10.5\"", 33, {10});
        row("new password not used", "V7.X", 38, "\"4321\"", 211, {54, 48, 52, 56});
        row("long packet id cut", "V7.X", 16, "\"ABCDEFGH\"", 70, {65, 66, 67, 68, 69, 70, 3});
        row("quoted list index", "V7.X", 20, "\"1\"", 77, {1});
        row("V6 stops after line 45", "V6.X", 0, "45", 57, {255, 255, 255});
        row("V6 leaves the end", "V6.X", 0, "45", 215, {255, 255, 255});
        row("V6 reads line 45", "V6.X", 0, "45", 52, {1});
        row("V1 reads four further values", "V1.X", 46, "12", 53, {12, 166, 221, 8});
        row("V1 further values, 57", "V1.X", 46, "12", 57, {5, 128, 1});
        row("V1 further values, 215", "V1.X", 46, "12", 215, {3, 2, 1});
        row("byte 256", "V7.X", 4, "\"256\"");
        row("byte -1", "V7.X", 9, "\"-1\"");
        row("no selection", "V7.X", 2, "-1");
        row("list not a number", "V7.X", 6, "x");
        row("address two points", "V7.X", 14, "\"10.0.1\"");
        row("port 65536", "V7.X", 15, "\"65536\"");
        row("short packet id", "V7.X", 16, "\"ABC12\"");
        row("short password", "V7.X", 37, "\"604\"");
        row("speed 474", "V7.X", 41, "\"474\"");
        row("latitude -12.5", "V7.X", 29, "\"-12.5\"");
        row("email 33", "V7.X", 21, '"' + QByteArray(33, 'a') + '"');
        row("phone 17", "V7.X", 3, "\"01234567890123456\"");
        row("lookup 31", "V1.X", 47, "31");
        row("lookup -1", "V1.X", 48, "-1");
        row("50 lines", "V7.X", 0, "50");
        row("44 lines, V6", "V6.X", 0, "44");
    }
    void readsEachLine()
    {
        QFETCH(QByteArray, version);
        QFETCH(int, line);
        QFETCH(QByteArray, value);
        QFETCH(int, position);
        QFETCH(Bytes, bytes);
        ConfigurationRecord record = TestSupport::validConfiguration();
        record.versionNumber = QString::fromLatin1(version);
        QList<QByteArray> lines = fileLines(record);
        if (version == "V1.X")
            lines =
                lines.mid(0, 45) + QList<QByteArray>{"12", "0", "\"30\"", "7.5"} + lines.mid(45);
        if (line == 0)
            lines = lines.mid(0, value.toInt());
        else
            lines[line - 1] = value;
        const QString path = write(lines.join("\r\n") + "\r\n");
        QByteArray image;
        const ServerImageResult result = buildServerConfigurationImage(path, request, image);
        if (position >= 0) {
            QCOMPARE(result.status, Status::Built);
            QCOMPARE(bytesAt(image, position, bytes.size()), bytes);
            QCOMPARE(bytesAt(image, 0, 1), Bytes{86});
            return;
        }
        QCOMPARE(result.status, Status::Invalid);
        const QString start =
            QStringLiteral("Error : Configuration file %1 line %2: ")
                .arg(path)
                .arg(line > 0 ? line : value.toInt() + 1); // a file cut short: its next line
        QVERIFY2(result.problem.startsWith(start), qPrintable(result.problem));
        QVERIFY(!result.problem.contains(u'\n'));
        QCOMPARE(image, QByteArray(downloadImageSize, char(0xFF)));
    }

    void refusesAShortRequest()
    {
        const QString path = write(configurationFileContent(TestSupport::validConfiguration()));
        QByteArray image;
        ServerImageResult result = buildServerConfigurationImage(path, "CONFIG,V00", image);
        QCOMPARE(result.status, Status::Invalid);
        QVERIFY(result.problem.contains(QLatin1String("CONFIG request")));
        QCOMPARE(image, QByteArray(downloadImageSize, char(0xFF)));
        result = buildServerConfigurationImage(path, "CONFIG,V00x", image);
        QCOMPARE(result.status, Status::Built);
        QCOMPARE(bytesAt(image, 0, 1), Bytes{86});
    }

    void missingFilesAreNotFound()
    {
        for (const QString &path : {QStringLiteral("None selected !"),
                                    m_dir.filePath(QStringLiteral("absent.cfg")), m_dir.path()}) {
            QByteArray image = "old";
            QByteArray table = "old";
            QCOMPARE(buildServerConfigurationImage(path, request, image).status, Status::NotFound);
            QCOMPARE(buildServerGpsImage(path, table).status, Status::NotFound);
            QCOMPARE(image + table, QByteArray(qsizetype(2) * downloadImageSize, char(0xFF)));
        }
    }

    // The first three locations show how coordinates become bytes. Refusals name the file, the
    // line, the row and the cell; nothing is built from the file.
    void gpsTableLimits_data()
    {
        QTest::addColumn<int>("locations");
        QTest::addColumn<QByteArray>("lastLatitude");
        QTest::addColumn<QByteArray>("tail");
        QTest::addColumn<QString>("problem"); // after the file's name; empty: built
        QTest::newRow("121 locations") << 121 << QByteArray("1.0102") << QByteArray() << QString();
        QTest::newRow("122 locations") << 122 << QByteArray("1.0102") << QByteArray()
                                       << "line 122, row 121: more than 121 locations";
        QTest::newRow("negative latitude")
            << 5 << QByteArray("-12.5") << QByteArray()
            << "line 5, row 4: latitude \"-12.5\" does not give three bytes 0 to 255";
        QTest::newRow("word in a coordinate") << 5 << QByteArray("abc") << QByteArray()
                                              << "line 5, row 4: latitude \"abc\" is not a number";
        QTest::newRow("record without longitude")
            << 5 << QByteArray("1.0102") << QByteArray("\"5\",\"1.0\"\r\n")
            << "line 7, row 5: the file ends, longitude missing";
        QTest::newRow("empty file") << 0 << QByteArray() << QByteArray() << "holds no locations";
    }
    void gpsTableLimits()
    {
        QFETCH(int, locations);
        QFETCH(QByteArray, lastLatitude);
        QFETCH(QByteArray, tail);
        QFETCH(QString, problem);
        QByteArray content;
        if (locations > 0)
            content = gpsLine("0", "51.4523", "0.4567") + gpsLine("1", "255", "255") +
                      gpsLine("2", "51.45", "51.4");
        for (int row = 3; row < locations; ++row) {
            const bool last = row == locations - 1;
            content += gpsLine(QByteArray::number(row), last ? lastLatitude : "255", "255");
        }
        content += tail;
        const QString path = write(content, "limits.gps");
        QByteArray image;
        const ServerImageResult result = buildServerGpsImage(path, image);
        if (problem.isEmpty()) {
            QCOMPARE(result.status, Status::Built);
            QCOMPARE(bytesAt(image, 0, 18), (Bytes{51, 45, 23, 0, 45, 67, 255, 255, 255, 255, 255,
                                                   255, 51, 45, 0, 51, 4, 0}));
            QCOMPARE(bytesAt(image, 720, 6), (Bytes{1, 1, 2, 255, 255, 255}));
            QCOMPARE(image.mid(18, 702) + image.mid(726), QByteArray(707, char(0xFF)));
            return;
        }
        QCOMPARE(result.status, Status::Invalid);
        QCOMPARE(result.problem, QStringLiteral("Error : GPS Camera file %1 ").arg(path) + problem);
        QCOMPARE(image, QByteArray(downloadImageSize, char(0xFF)));
    }
};

QTEST_APPLESS_MAIN(TestServerImages)
#include "test_server_images.moc"
