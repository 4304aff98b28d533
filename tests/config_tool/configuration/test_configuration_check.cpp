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
    void allTextsEmptyGiveSeventeenMessagesInOrder()
    {
        const ConfigurationCheckResult result = checkConfiguration(allTextsEmpty());
        const QStringList expected = {"Invalid Base Phone number",
                                      "Invalid LAT1 Value",
                                      "Invalid LAT2 Value",
                                      "Invalid LONG1 Value",
                                      "Invalid LONG2 Value",
                                      "Invalid LAT1 Value",
                                      "Invalid LAT2 Value",
                                      "Invalid LONG1 Value",
                                      "Invalid LONG2 Value",
                                      "Invalid IP address for UDP",
                                      "Invalid server IP address",
                                      "Invalid GEO fencing delay",
                                      "Invalid GEO fencing sensitivity",
                                      "Invalid Alarm input delay time",
                                      "Invalid GPS reading interval",
                                      "Invalid UDP packet identification",
                                      "Invalid Existing Password"};
        QCOMPARE(result.failures, expected);
        QVERIFY(!result.endedByRunTimeFailure);
        QVERIFY(!result.valid());
    }

    void validRecordPasses()
    {
        const ConfigurationCheckResult result =
            checkConfiguration(TestSupport::validConfiguration());
        QVERIFY2(result.valid(), qPrintable(result.failures.join(u'|')));
    }

    // One setting changed on a valid record: the messages it gives.
    void singleSettings_data()
    {
        QTest::addColumn<QString>("setting");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("messages");
        const QStringList none;
        QTest::newRow("lat 90.0000") << "geoLat1"
                                     << "90.0000" << none;
        QTest::newRow("lat 90.00001") << "geoLat1"
                                      << "90.00001" << QStringList{"Invalid LAT1 Value"};
        QTest::newRow("lat 9.5") << "geoLat1"
                                 << "9.5" << QStringList{"Invalid LAT1 Value"};
        QTest::newRow("lat 45") << "geoLat1"
                                << "45" << QStringList{"Invalid LAT1 Value", "Invalid LAT1 Value"};
        QTest::newRow("long 180.0000") << "geoLong2"
                                       << "180.0000" << none;
        QTest::newRow("long 180.0001") << "geoLong2"
                                       << "180.0001" << QStringList{"Invalid LONG2 Value"};
        QTest::newRow("long 9 chars") << "geoLong1"
                                      << "100.00001" << QStringList{"Invalid LONG1 Value"};
        QTest::newRow("tracking -3") << "gprsTrackingInterval"
                                     << "-3" << none;
        QTest::newRow("tracking 6")
            << "gprsTrackingInterval"
            << "6" << QStringList{"Invalid Real time GPRS tracking interval"};
        QTest::newRow("os port -1") << "udpOsUploadPort"
                                    << "-1" << none;
        QTest::newRow("destination port -1") << "udpDestinationPort"
                                             << "-1" << QStringList{"Invalid UDP destination port"};
        QTest::newRow("destination port 65535") << "udpDestinationPort"
                                                << "65535" << none;
        QTest::newRow("speed 183") << "speedLimit"
                                   << "183" << none;
        QTest::newRow("speed 183.5") << "speedLimit"
                                     << "183.5" << QStringList{"Invalid Speed limit"};
        QTest::newRow("speed time 256") << "speedLimitTime"
                                        << "256" << QStringList{"Speed "};
        QTest::newRow("12 and letters") << "geoFencingDelay"
                                        << "12abc" << none;
        QTest::newRow("1,5 is 1") << "geoFencingDelay"
                                  << "1,5" << none;
        QTest::newRow("0,5 is 0") << "geoFencingDelay"
                                  << "0,5" << QStringList{"Invalid GEO fencing delay"};
        QTest::newRow("2 4 0") << "geoFencingDelay"
                               << "2 4 0" << none;
        QTest::newRow("2 4 1") << "geoFencingDelay"
                               << "2 4 1" << QStringList{"Invalid GEO fencing delay"};
        QTest::newRow("&HF0") << "geoFencingDelay"
                              << "&HF0" << none;
        QTest::newRow("&HF1") << "geoFencingDelay"
                              << "&HF1" << QStringList{"Invalid GEO fencing delay"};
        QTest::newRow("power failure 0") << "powerFailureDelay"
                                         << "0" << none;
        QTest::newRow("new password empty") << "newPassword"
                                            << "" << none;
        QTest::newRow("new password 5") << "newPassword"
                                        << "12345" << QStringList{"Invalid New Password"};
        QTest::newRow("existing password letters") << "existingPassword"
                                                   << "abcd" << none;
        QTest::newRow("existing password 3") << "existingPassword"
                                             << "604" << QStringList{"Invalid Existing Password"};
        QTest::newRow("phone 17") << "basePhoneNumber"
                                  << "12345678901234567"
                                  << QStringList{"Invalid Base Phone number"};
        QTest::newRow("apn 33") << "apnName" << QString(33, u'a')
                                << QStringList{"Invalid APN name"};
        QTest::newRow("address 4 chars") << "smtpServerAddress"
                                         << "1.2." << QStringList{"Invalid server IP address"};
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
