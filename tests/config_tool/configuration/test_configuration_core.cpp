// The configuration core without a window: its image, its check and its file.
#include "config_tool/configuration/configuration_check.h"
#include "config_tool/configuration/configuration_file.h"
#include "config_tool/configuration/configuration_image.h"
#include "config_tool/test_files.h"
#include "support/valid_configuration.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {
// The image of TestSupport::validConfiguration(), 32 bytes a line. Texts start at 16 (base phone),
// 70 (packet id), 96 and 128 (e-mails), 160 (dial-up), 168 (login), 192 (password), 211 (unit
// password) and 224 (APN).
QByteArray validImage()
{
    return QByteArray::fromHex("560103E8332D170100FF0205070500013031323334353637383923FFFFFFFFFF"
                               "000A14010500003C01001000140A0201C0A8010A01FFFFFFFF058001FFFFFFFF"
                               "0A00000117C1414243313233030217C2FFFFFFFFFF002D4301780C2200073603"
                               "62617365406578616D706C652E636F6DFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF"
                               "756E6974406578616D706C652E636F6DFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF"
                               "2A393923FFFFFFFF75736572FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF"
                               "736563726574FFFFFFFFFFFFFFFFFFFFFFFF0036303438030201012CFF1E1EFF"
                               "696E7465726E6574FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF");
}

ConfigurationRecord allTextsEmpty()
{
    ConfigurationRecord r;
    for (const SettingDescriptor &s : settingDescriptors()) {
        if (s.kind == SettingDescriptor::Kind::Text)
            r.*s.text = QString();
    }
    return r;
}
// The lines of a file without their CR LF.
QList<QByteArray> linesOf(const QByteArray &content)
{
    return content.chopped(2).replace("\r\n", "\n").split('\n');
}
} // namespace

class TestConfigurationCore : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    QString path(const char *name) const { return m_dir.filePath(QLatin1String(name)); }

private slots:
    void encodesAValidRecordByteForByte()
    {
        QCOMPARE(encodeConfigurationImage(TestSupport::validConfiguration()), validImage());
    }

    // One setting of the valid record changed: the bytes it gives (hex), or "-": a failed build.
    // Each comparison carries the row's name.
    void encodesEachExample()
    {
        const struct
        {
            const char *name, *setting;
            QString text;
            int position;
            QByteArray bytes;
        } rows[] = {
            {"16-bit 1000", "smsIntervalOffline", "1000", 2, "03E8"},
            {"16-bit 65535", "udpDestinationPort", "65535", 68, "FFFF"},
            {"16-bit 511.6", "udpDestinationPort", "511.6", 68, "-"},
            {"port -1: no check, no byte", "udpDestinationPort", "-1", 68, "-"},
            {"speed 100", "speedLimit", "100", 94, "36"},
            {"speed 101", "speedLimit", "101", 94, "37"},
            {"speed 183", "speedLimit", "183", 94, "63"},
            {"10.5 halves to even", "geoFencingDelay", "10.5", 33, "0A"},
            {"11.5 halves to even", "geoFencingDelay", "11.5", 33, "0C"},
            {"tracking -1", "gprsTrackingInterval", "-1", 76, "-"},
            {"tracking -0.4", "gprsTrackingInterval", "-0.4", 76, "00"},
            {"address zeros", "smtpServerAddress", "192.168.001.010", 48, "C0A8010A"},
            {"address two points", "smtpServerAddress", "192.168.1", 48, "-"},
            {"address 300", "smtpServerAddress", "192.168.1.300", 48, "-"},
            {"35.123", "geoLat1", "35.123", 4, "230C03"},
            {"phone 16", "basePhoneNumber", "0123456789012345", 16,
             "30313233343536373839303132333435000A"},
            {"phone 3", "basePhoneNumber", "112", 16, "31313223FF"},
            {"0xFF", "emailFrom", QStringLiteral(u"ab\u00FFc"), 128, "6162FF63FF"},
            {"new password empty", "newPassword", "", 211, "36303438"},
            {"new password 1", "newPassword", "1", 211, "36303438"},
            {"new password 3", "newPassword", "123", 211, "36303438"},
            {"new password 4", "newPassword", "4321", 211, "34333231"},
            {"saving interval unchecked, 256", "gprsSavingInterval", "256", 221, "-"},
            {"ADC level unchecked, 300", "adcTriggerLevel", "300", 58, "-"},
            {"download check: lat 45", "geoLat1", "45", 4, "-"},
            {"download check: packet id 5", "udpPacketId", "ABC12", 70, "-"},
            {"download check: overflow", "speedLimitTime", "1D999", 222, "-"},
            {"udp address unchecked, short", "udpServerAddress", "1.2", 64, "-"},
        };
        for (const auto &row : rows) {
            ConfigurationRecord record = TestSupport::validConfiguration();
            record.*findSetting(QLatin1String(row.setting))->text = row.text;
            const std::optional<QByteArray> image = encodeConfigurationImage(record);
            const QByteArray bytes =
                image ? image->mid(row.position, row.bytes.size() / 2).toHex().toUpper() : "-";
            QCOMPARE(row.name + (' ' + bytes), row.name + (' ' + row.bytes));
        }
    }

    void refusesAListWithoutSelection()
    {
        for (auto list :
             {&ConfigurationRecord::workingMode, &ConfigurationRecord::adcTriggerActivation}) {
            ConfigurationRecord record = TestSupport::validConfiguration();
            record.*list = -1;
            QVERIFY(!encodeConfigurationImage(record).has_value());
        }
    }

    void downloadChecksDifferFromTheScreenCheck()
    {
        // Not tested before a download: the two addresses and the saving interval's range.
        ConfigurationRecord record = TestSupport::validConfiguration();
        record.udpServerAddress = QStringLiteral("1...");
        QVERIFY(passesDownloadChecks(record));
        record.gprsSavingInterval = QStringLiteral("-3");
        QVERIFY(passesDownloadChecks(record));
        record.udpDestinationPort = QStringLiteral("-5");
        QVERIFY(passesDownloadChecks(record));
        record.udpDestinationPort = QStringLiteral("65536");
        QVERIFY(!passesDownloadChecks(record));
    }

    void decodesInTheUnitsStyles()
    {
        QByteArray image = validImage();
        image[94] = char(55);                                  // speed
        image[11] = char(0xFF);                                // empty second corner
        image[77] = char(0xFF);                                // no valid working mode
        image[95] = char(5);                                   // one past the last item
        image[35] = char(0);                                   // a valid list byte
        image.replace(16, 6, "12#34#");                        // phone cut at the first "#"
        image.replace(96, 4, QByteArray::fromHex("6162FF63")); // "ab", cut at 0xFF
        const QByteArray packetId = QByteArray::fromHex("41FF42004331"); // taken as it stands
        image.replace(68, 8, "\xFF\xFF" + packetId);                     // port 65535 first

        ConfigurationRecord record; // start-up values
        record.workingMode = 1;
        record.geoFencingActivation = 2;
        decodeConfigurationImage(image, record);
        // The version and the passwords (the last three) are not carried by the image.
        QCOMPARE((QStringList{record.speedLimit, record.aux2InputDelay, record.speedLimitTime,
                              record.geoFencingDelay, record.smsIntervalOffline,
                              record.udpDestinationPort, record.smtpServerAddress, record.geoLat1,
                              record.geoLat2, record.geoLong1, record.basePhoneNumber,
                              record.emailSendTo, record.udpPacketId, record.adcTriggerLevel,
                              record.versionNumber, record.existingPassword, record.newPassword}),
                 (QStringList{"102", "7", "30", " 10", " 1000", " 65535", " 192. 168. 1. 10",
                              "51.4523", "0.0000", "0.4567", "12", "ab",
                              QString::fromLatin1(packetId), " 128", "V6.X", "6048", QString()}));
        QCOMPARE((QList<int>{record.workingMode, record.geoFencingActivation,
                             record.alarmActivation, record.sosFunction, record.voiceMelody}),
                 (QList<int>{1, 2, 0, 2, 3}));
    }

    // Decoded in the unit's styles, the texts encode to the same bytes, but for the password and
    // position 255, which the PC never receives: a 32-character APN comes back as 31.
    void decodedTextsEncodeToTheSameBytes()
    {
        ConfigurationRecord record = TestSupport::validConfiguration();
        record.speedLimit = QStringLiteral("101");
        record.geoLat1 = QStringLiteral("35.123");
        record.smtpServerAddress = QStringLiteral("192.168.001.010");
        record.geoFencingDelay = QStringLiteral("10.5");
        record.newPassword = QStringLiteral("4321");
        record.basePhoneNumber = QStringLiteral("0123456789012345");
        record.apnName = QString(31, u'a') + u'z';
        const std::optional<QByteArray> image = encodeConfigurationImage(record);
        QVERIFY(image.has_value());
        QCOMPARE(image->at(255), 'z');

        ConfigurationRecord back;
        decodeConfigurationImage(*image, back);
        QCOMPARE(back.geoLat1, QStringLiteral("35.1203"));
        QCOMPARE(back.gprsSavingInterval, QLatin1Char(' ') + record.gprsSavingInterval);
        QCOMPARE(back.basePhoneNumber, record.basePhoneNumber);
        QCOMPARE(back.apnName, QString(31, u'a'));
        QCOMPARE(back.newPassword, QString());
        back.existingPassword = record.newPassword;
        QCOMPARE(encodeConfigurationImage(back)->left(255), image->left(255));
        ConfigurationRecord cut;
        decodeConfigurationImage(image->left(255), cut);
        QCOMPARE(cut.apnName, QString(31, u'a'));
    }

    // One setting changed on a valid record: the messages it gives, after the row's name.
    void singleSettings()
    {
        const struct
        {
            const char *name, *setting;
            QString text;
            QStringList messages;
        } rows[] = {
            {"lat 90.0000", "geoLat1", "90.0000", {}},
            {"lat 90.00001", "geoLat1", "90.00001", {"Invalid LAT1 Value"}},
            {"lat 9.5", "geoLat1", "9.5", {"Invalid LAT1 Value"}},
            {"lat 45", "geoLat1", "45", {"Invalid LAT1 Value", "Invalid LAT1 Value"}},
            {"long 180.0000", "geoLong2", "180.0000", {}},
            {"long 180.0001", "geoLong2", "180.0001", {"Invalid LONG2 Value"}},
            {"long 9 chars", "geoLong1", "100.00001", {"Invalid LONG1 Value"}},
            {"tracking -3", "gprsTrackingInterval", "-3", {}},
            {"GPRS 6", "gprsTrackingInterval", "6", {"Invalid Real time GPRS tracking interval"}},
            {"os port -1", "udpOsUploadPort", "-1", {}},
            {"destination port -1", "udpDestinationPort", "-1", {"Invalid UDP destination port"}},
            {"destination port 65535", "udpDestinationPort", "65535", {}},
            {"speed 183", "speedLimit", "183", {}},
            {"speed 183.5", "speedLimit", "183.5", {"Invalid Speed limit"}},
            {"speed time 256", "speedLimitTime", "256", {"Speed "}},
            {"12 and letters", "geoFencingDelay", "12abc", {}},
            {"1,5 is 1", "geoFencingDelay", "1,5", {}},
            {"0,5 is 0", "geoFencingDelay", "0,5", {"Invalid GEO fencing delay"}},
            {"2 4 0", "geoFencingDelay", "2 4 0", {}},
            {"2 4 1", "geoFencingDelay", "2 4 1", {"Invalid GEO fencing delay"}},
            {"&HF0", "geoFencingDelay", "&HF0", {}},
            {"&HF1", "geoFencingDelay", "&HF1", {"Invalid GEO fencing delay"}},
            {"power failure 0", "powerFailureDelay", "0", {}},
            {"new password empty", "newPassword", "", {}},
            {"new password 5", "newPassword", "12345", {"Invalid New Password"}},
            {"existing password letters", "existingPassword", "abcd", {}},
            {"existing password 3", "existingPassword", "604", {"Invalid Existing Password"}},
            {"phone 17", "basePhoneNumber", "12345678901234567", {"Invalid Base Phone number"}},
            {"apn 33", "apnName", QString(33, u'a'), {"Invalid APN name"}},
            {"address 4 chars", "smtpServerAddress", "1.2.", {"Invalid server IP address"}},
        };
        for (const auto &row : rows) {
            ConfigurationRecord record = TestSupport::validConfiguration();
            record.*findSetting(QLatin1String(row.setting))->text = row.text;
            const ConfigurationCheckResult result = checkConfiguration(record);
            QCOMPARE(QStringList{row.name} + result.failures, QStringList{row.name} + row.messages);
            QCOMPARE(result.valid(), row.messages.isEmpty());
        }
    }

    // A number too big for a double ends the check at its test; the messages before it stand.
    void overflowEndsTheCheck()
    {
        ConfigurationRecord record = allTextsEmpty();
        record.smsIntervalOnline = QStringLiteral("1E400"); // test 15
        ConfigurationCheckResult result = checkConfiguration(record);
        QVERIFY(result.endedByRunTimeFailure);
        QCOMPARE(result.endingTest, 15);
        QCOMPARE(result.failures.size(), 11); // tests 1, 5 to 14
        QCOMPARE(result.failures.last(), QStringLiteral("Invalid server IP address"));
        QVERIFY(!result.valid());

        // A rule that reads no value never overflows.
        record = TestSupport::validConfiguration();
        record.apnName = QStringLiteral("1E400");
        QVERIFY(checkConfiguration(record).valid());
    }

    void savesTheStartUpRecordByteForByte()
    {
        // The 51 lines, here a space apart.
        const QByteArray lines =
            R"("V6.X" 0 "" "" "" 0 "" "" "" 0 0 "" 0 "" "" "" "" "" "" 0 "" "" "" "" "" "" )"
            R"("" 0 "" 0 "" 0 "" 0 0 "" "6048" "" 0 "" "" "" 0 "" 0 0 0 0 "0" "0" 0)";
        QCOMPARE(saveConfigurationFile(path("start.cfg"), ConfigurationRecord()), std::nullopt);
        QCOMPARE(readFile(path("start.cfg")), QByteArray(lines).replace(' ', "\r\n") + "\r\n");
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
        QVERIFY(writeFile(path("partial.cfg"), lines.join("\r\n") + "\r\n"));

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

    // No file at all (no content here), a binary file and an empty one.
    void unreadableFilesFailWithoutChanges()
    {
        for (const QByteArray &content :
             {QByteArray(), QByteArray("\"V6.X\"\r\n0\r\n\0\x01\x02\r\n", 13),
              QByteArray("\r\n")}) {
            QFile::remove(path("bad.cfg"));
            if (!content.isEmpty())
                QVERIFY(writeFile(path("bad.cfg"), content));
            ConfigurationRecord record = TestSupport::validConfiguration();
            QVERIFY2(!loadConfigurationFile(path("bad.cfg"), record), content.toHex().constData());
            QCOMPARE(record, TestSupport::validConfiguration());
            QVERIFY(!loadConfigurationFile(m_dir.path(), record));
        }
    }

    void readsRecordsSharingOrSpanningLines()
    {
        const QByteArray content = "\"V6.X\",1,\"12, 34\"\r\n  \"a\"\r\n" +
                                   linesOf(configurationFileContent({})).mid(4).join("\r\n") +
                                   "\r\n";
        ConfigurationRecord record;
        QVERIFY(readConfigurationContent(content, record));
        QCOMPARE(record.enabledBy, 1);
        QCOMPARE(record.basePhoneNumber, QStringLiteral("12, 34"));
        QCOMPARE(record.geoFencingDelay, QStringLiteral("a"));
    }
};

QTEST_APPLESS_MAIN(TestConfigurationCore)
#include "test_configuration_core.moc"
