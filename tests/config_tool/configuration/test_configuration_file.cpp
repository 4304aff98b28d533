#include "config_tool/configuration/configuration_file.h"
#include "config_tool/test_files.h"
#include "support/valid_configuration.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {
// The lines of a file without their CR LF.
QList<QByteArray> linesOf(const QByteArray &content)
{
    QList<QByteArray> lines = content.split('\n');
    lines.removeLast();
    for (QByteArray &line : lines)
        line.chop(1);
    return lines;
}
QByteArray joinLines(const QList<QByteArray> &lines)
{
    QByteArray content;
    for (const QByteArray &line : lines)
        content += line + "\r\n";
    return content;
}
} // namespace

class TestConfigurationFile : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    QString path(const char *name) const { return m_dir.filePath(QLatin1String(name)); }

private slots:
    void savesTheStartUpRecordByteForByte()
    {
        const QList<QByteArray> lines = {
            "\"V6.X\"", "0",    "\"\"", "\"\"",  "\"\"",  "0",    "\"\"", "\"\"", "\"\"",
            "0",        "0",    "\"\"", "0",     "\"\"",  "\"\"", "\"\"", "\"\"", "\"\"",
            "\"\"",     "0",    "\"\"", "\"\"",  "\"\"",  "\"\"", "\"\"", "\"\"", "\"\"",
            "0",        "\"\"", "0",    "\"\"",  "0",     "\"\"", "0",    "0",    "\"\"",
            "\"6048\"", "\"\"", "0",    "\"\"",  "\"\"",  "\"\"", "0",    "\"\"", "0",
            "0",        "0",    "0",    "\"0\"", "\"0\"", "0"};
        QCOMPARE(saveConfigurationFile(path("start.cfg"), ConfigurationRecord()), std::nullopt);
        QCOMPARE(readFile(path("start.cfg")), joinLines(lines));
    }

    void saveThenLoadGivesEverySettingBack()
    {
        ConfigurationRecord saved = TestSupport::validConfiguration();
        saved.versionNumber = QStringLiteral("V1.X");
        saved.emailSendTo = QStringLiteral("a,b@example.com, with comma");
        saved.gprsLoginName = QString::fromLatin1("Jos\xe9 M\xfcller");
        saved.geoFencingDelay = QStringLiteral(" 12 ");
        saved.newPassword = QStringLiteral("1234");
        saved.creditsLeft = -1;
        QCOMPARE(saveConfigurationFile(path("round.cfg"), saved), std::nullopt);

        ConfigurationRecord loaded;
        QVERIFY(loadConfigurationFile(path("round.cfg"), loaded));
        QCOMPARE(loaded, saved);
        // Single-byte characters in the file.
        QVERIFY(readFile(path("round.cfg")).contains("Jos\xe9 M\xfcller"));
    }

    void invalidPathsFail()
    {
        for (const QString &invalid : {QString(), path("no/such/folder/x.cfg"), m_dir.path()})
            QCOMPARE(saveConfigurationFile(invalid, ConfigurationRecord()),
                     std::optional<QString>(QStringLiteral("Invalid Path")));
        ConfigurationRecord record = TestSupport::validConfiguration();
        QVERIFY(!loadConfigurationFile(QString(), record));
        QCOMPARE(record, TestSupport::validConfiguration());
    }

    void refusesTextsWithDoubleQuotes()
    {
        QVERIFY(writeFile(path("kept.cfg"), "old content\r\n"));
        ConfigurationRecord record;
        record.geoLat2 = QStringLiteral("51\"4");
        const std::optional<QString> prompt = saveConfigurationFile(path("kept.cfg"), record);
        QVERIFY(prompt.has_value());
        QVERIFY2(prompt->contains(QLatin1String("LAT2")), qPrintable(*prompt));
        QVERIFY(prompt->contains(QLatin1String("double quote")));
        QCOMPARE(readFile(path("kept.cfg")), QByteArray("old content\r\n"));

        record = ConfigurationRecord();
        record.apnName = QStringLiteral("\"");
        QVERIFY(saveConfigurationFile(path("new.cfg"), record)
                    ->contains(QLatin1String("APN (access point Name) 32Max")));
        QVERIFY(!QFile::exists(path("new.cfg")));
    }

    // A load stops at a failing line: the settings before it are set, the later ones kept.
    void failedLoadKeepsEarlierValues_data()
    {
        QTest::addColumn<int>("line"); // 1-based line replaced; 0: lines from cut onwards dropped
        QTest::addColumn<QByteArray>("replacement");
        QTest::addColumn<int>("failingSetting"); // 0: the load succeeds
        QTest::newRow("50 lines") << 0 << QByteArray("51") << 51;
        QTest::newRow("line 2 holding 7") << 2 << QByteArray("7") << 2;
        QTest::newRow("index n") << 2 << QByteArray("5") << 2;
        QTest::newRow("index -2") << 20 << QByteArray("-2") << 20;
        QTest::newRow("not a number") << 13 << QByteArray("Credits OK") << 13;
        QTest::newRow("empty list value") << 46 << QByteArray("") << 46;
        QTest::newRow("digits then letters") << 46 << QByteArray("3a") << 46;
        QTest::newRow("index -1") << 35 << QByteArray("-1") << 0;
        QTest::newRow("quoted index") << 35 << QByteArray("\"4\"") << 0;
        QTest::newRow("bare text") << 4 << QByteArray("12") << 0;
        QTest::newRow("1 line") << 0 << QByteArray("2") << 2;
    }
    void failedLoadKeepsEarlierValues()
    {
        QFETCH(int, line);
        QFETCH(QByteArray, replacement);
        QFETCH(int, failingSetting);
        const ConfigurationRecord fromFile = TestSupport::validConfiguration();
        QList<QByteArray> lines = linesOf(configurationFileContent(fromFile));
        if (line == 0)
            lines = lines.mid(0, replacement.toInt() - 1);
        else
            lines[line - 1] = replacement;
        QVERIFY(writeFile(path("partial.cfg"), joinLines(lines)));

        const ConfigurationRecord old; // start-up values, different from the file's
        ConfigurationRecord record = old;
        QCOMPARE(loadConfigurationFile(path("partial.cfg"), record), failingSetting == 0);
        for (const SettingDescriptor &s : settingDescriptors()) {
            const bool fromTheFile = failingSetting == 0 || s.number < failingSetting;
            const ConfigurationRecord &expected = fromTheFile ? fromFile : old;
            if (s.number == line && failingSetting == 0)
                continue; // the replaced value itself
            if (s.index)
                QCOMPARE(record.*s.index, expected.*s.index);
            else
                QCOMPARE(record.*s.text, expected.*s.text);
        }
    }

    void unreadableFilesFailWithoutChanges_data()
    {
        QTest::addColumn<QByteArray>("content"); // empty: no file at all
        QTest::newRow("missing") << QByteArray();
        QTest::newRow("binary") << QByteArray("\"V6.X\"\r\n0\r\n\0\x01\x02\r\n", 13);
        QTest::newRow("empty file") << QByteArray("\r\n");
    }
    void unreadableFilesFailWithoutChanges()
    {
        QFETCH(QByteArray, content);
        QFile::remove(path("bad.cfg"));
        if (!content.isEmpty())
            QVERIFY(writeFile(path("bad.cfg"), content));
        ConfigurationRecord record = TestSupport::validConfiguration();
        QVERIFY(!loadConfigurationFile(path("bad.cfg"), record));
        QCOMPARE(record, TestSupport::validConfiguration());
        QVERIFY(!loadConfigurationFile(m_dir.path(), record));
    }

    void readsRecordsSharingOrSpanningLines()
    {
        const QByteArray content = "\"V6.X\",1,\"12, 34\"\r\n  \"a\"\r\n" +
                                   joinLines(linesOf(configurationFileContent({})).mid(4));
        ConfigurationRecord record;
        QVERIFY(readConfigurationContent(content, record));
        QCOMPARE(record.enabledBy, 1);
        QCOMPARE(record.basePhoneNumber, QStringLiteral("12, 34"));
        QCOMPARE(record.geoFencingDelay, QStringLiteral("a"));
    }
};

QTEST_APPLESS_MAIN(TestConfigurationFile)
#include "test_configuration_file.moc"
