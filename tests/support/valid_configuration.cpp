#include "valid_configuration.h"

namespace TestSupport {
ConfigurationRecord validConfiguration()
{
    ConfigurationRecord r;
    r.versionNumber = QStringLiteral("V7.X");
    r.enabledBy = 2;
    r.basePhoneNumber = QStringLiteral("0123456789");
    r.geoFencingDelay = QStringLiteral("10");
    r.geoFencingSensitivity = QStringLiteral("20");
    r.alarmActivation = 1;
    r.alarmInputDelay = QStringLiteral("5");
    r.powerFailureDelay = QStringLiteral("0");
    r.gpsReadingInterval = QStringLiteral("60");
    r.sosFunction = 2;
    r.autoReportFiles = 1;
    r.smtpServerAddress = QStringLiteral("192.168.1.10");
    r.creditsLeft = 1;
    r.udpServerAddress = QStringLiteral("10.0.0.1");
    r.udpDestinationPort = QStringLiteral("6081");
    r.udpPacketId = QStringLiteral("ABC123");
    r.smsIntervalOnline = QStringLiteral("300");
    r.gprsTrackingInterval = QStringLiteral("3");
    r.gprsSavingInterval = QStringLiteral("30");
    r.workingMode = 2;
    r.emailSendTo = QStringLiteral("base@example.com");
    r.emailFrom = QStringLiteral("unit@example.com");
    r.gprsDialNumber = QStringLiteral("*99#");
    r.apnName = QStringLiteral("internet");
    r.gprsLoginName = QStringLiteral("user");
    r.gprsPassword = QStringLiteral("secret");
    r.geoLat1 = QStringLiteral("51.4523");
    r.geoLat1Hemisphere = 1;
    r.geoLat2 = QStringLiteral("5.0705");
    r.geoLat2Hemisphere = 0;
    r.geoLong1 = QStringLiteral("0.4567");
    r.geoLong1Hemisphere = 1;
    r.geoLong2 = QStringLiteral("120.1234");
    r.geoLong2Hemisphere = 0;
    r.geoFencingActivation = 3;
    r.udpOsUploadPort = QStringLiteral("6082");
    r.existingPassword = QStringLiteral("6048");
    r.newPassword = QString();
    r.stopRealTimeInSleep = 1;
    r.aux2InputDelay = QStringLiteral("7");
    r.speedLimit = QStringLiteral("100");
    r.speedLimitTime = QStringLiteral("30");
    r.dailyStatus = 1;
    r.smsIntervalOffline = QStringLiteral("1000");
    r.panicInput = 1;
    r.voiceMelody = 3;
    r.autoPickupRings = 2;
    r.aux1VoiceCall = 1;
    r.adcTriggerLevel = QStringLiteral("128");
    r.adcDelayTime = QStringLiteral("5");
    r.adcTriggerActivation = 1;
    return r;
}
} // namespace TestSupport
