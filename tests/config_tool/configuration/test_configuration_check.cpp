#include "config_tool/configuration/configuration_check.h"
#include "support/valid_configuration.h"

#include <QtTest>

namespace {
ConfigurationRecord allTextsEmpty()
{
    ConfigurationRecord r;
    for (const SettingDescriptor &s : settingDescriptors()) {
        if (s.kind == SettingDescriptor::Kind::Text)
            r.*s.text = QString();
    }
    return r;
}
} // namespace

class TestConfigurationCheck : public QObject
{
    Q_OBJECT
private slots:
    // One setting changed on a valid record: the messages it gives.
    void singleSettings_data()
    {
        QTest::addColumn<QString>("setting");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("messages");
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
            {"tracking 6",
             "gprsTrackingInterval",
             "6",
             {"Invalid Real time GPRS tracking interval"}},
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
        for (const auto &row : rows)
            QTest::newRow(row.name) << QString(row.setting) << row.text << row.messages;
    }
    void singleSettings()
    {
        QFETCH(QString, setting);
        QFETCH(QString, text);
        QFETCH(QStringList, messages);
        ConfigurationRecord record = TestSupport::validConfiguration();
        record.*findSetting(setting)->text = text;
        const ConfigurationCheckResult result = checkConfiguration(record);
        QCOMPARE(result.failures, messages);
        QCOMPARE(result.valid(), messages.isEmpty());
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
};

QTEST_APPLESS_MAIN(TestConfigurationCheck)
#include "test_configuration_check.moc"
