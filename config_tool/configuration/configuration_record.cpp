#include "configuration_record.h"

namespace SettingLists {
const QStringList enabledBy = {QStringLiteral("Motion Switch only"), QStringLiteral("AUX1 only"),
                               QStringLiteral("Motion and AUX1"),
                               QStringLiteral("AUX1 only + Send SMS if AUX1 changes"),
                               QStringLiteral("Motion and AUX1 +Send SMS if AUX1 changes")};
const QStringList alarmActivation = {QStringLiteral("Active low or high"),
                                     QStringLiteral("Pulse Activated")};
const QStringList sosFunction = {QStringLiteral("SOS output signal"),
                                 QStringLiteral("Speed Camera function"),
                                 QStringLiteral("Location Reference function")};
const QStringList disabledEnabled = {QStringLiteral("Disabled"), QStringLiteral("Enabled")};
const QStringList creditsLeft = {QStringLiteral("No Credits left"), QStringLiteral("Credits OK")};
const QStringList workingMode = {QStringLiteral("SMS ONLY"), QStringLiteral("SMS and GPRS"),
                                 QStringLiteral("GPRS ONLY")};
const QStringList northSouth = {QStringLiteral("N"), QStringLiteral("S")};
const QStringList eastWest = {QStringLiteral("E"), QStringLiteral("W")};
const QStringList geoFencingActivation = {
    QStringLiteral("Disabled"), QStringLiteral("SMS - Outside Area"),
    QStringLiteral("SMS+Act. Al.- Outside Area"), QStringLiteral("SMS - Inside Area"),
    QStringLiteral("SMS+Act. Al.- Intside Area")};
const QStringList enabledDisabled = {QStringLiteral("Enabled"), QStringLiteral("Disabled")};
const QStringList digits = {QStringLiteral("0"), QStringLiteral("1"), QStringLiteral("2"),
                            QStringLiteral("3"), QStringLiteral("4"), QStringLiteral("5"),
                            QStringLiteral("6"), QStringLiteral("7"), QStringLiteral("8"),
                            QStringLiteral("9")};
const QStringList noYes = {QStringLiteral("No"), QStringLiteral("Yes")};
const QStringList adcTriggerActivation = {QStringLiteral("Below trigger level"),
                                          QStringLiteral("Above trigger level")};
} // namespace SettingLists

namespace {
using K = SettingDescriptor::Kind;
using S = SettingDescriptor::Screen;
using R = ConfigurationRecord;

SettingDescriptor label(int n, const char *name, const char *control, const char *caption,
                        QString R::*member)
{
    return {n, name, control, S::Setup1, K::Label, caption, member, nullptr, nullptr};
}
SettingDescriptor text(int n, const char *name, const char *control, const char *caption,
                       QString R::*member, S screen = S::Setup1)
{
    return {n, name, control, screen, K::Text, caption, member, nullptr, nullptr};
}
SettingDescriptor list(int n, const char *name, const char *control, const char *caption,
                       int R::*member, const QStringList &items, S screen = S::Setup1)
{
    return {n, name, control, screen, K::List, caption, nullptr, member, &items};
}
} // namespace

const std::array<SettingDescriptor, settingCount> &settingDescriptors()
{
    using namespace SettingLists;
    static const std::array<SettingDescriptor, settingCount> table = {
        label(1, "versionNumber", "Label2", "Version number :", &R::versionNumber),
        list(2, "enabledBy", "Combo2", "Enabled by :", &R::enabledBy, enabledBy),
        text(3, "basePhoneNumber", "Text2", "Base phone number (16 Max):", &R::basePhoneNumber),
        text(4, "geoFencingDelay", "Text3", "GEO fencing delay (1-240 sec) :", &R::geoFencingDelay),
        text(5, "geoFencingSensitivity", "Text4",
             "GEO fencing sensitivity (1-240 Knots):", &R::geoFencingSensitivity),
        list(6, "alarmActivation", "Combo3", "Alarm activation:", &R::alarmActivation,
             alarmActivation),
        text(7, "alarmInputDelay", "Text6",
             "Alarm input delay time (1-240 sec):", &R::alarmInputDelay),
        text(8, "powerFailureDelay", "Text7",
             "Power failure delay time (0-240 sec) :", &R::powerFailureDelay),
        text(9, "gpsReadingInterval", "Text8",
             "GPS reading interval  (1-240 min) :", &R::gpsReadingInterval),
        list(10, "sosFunction", "Combo4", "SOS function :", &R::sosFunction, sosFunction),
        list(11, "autoReportFiles", "Combo5", "Auto report files :", &R::autoReportFiles,
             disabledEnabled),
        text(12, "smtpServerAddress", "Text10", "SMTP server IP addr. :", &R::smtpServerAddress),
        list(13, "creditsLeft", "Combo6", "Credits left :", &R::creditsLeft, creditsLeft),
        text(14, "udpServerAddress", "Text11", "Static IP addr. for UDP :", &R::udpServerAddress),
        text(15, "udpDestinationPort", "Text12",
             "UDP destination port (0-65535) :", &R::udpDestinationPort),
        text(16, "udpPacketId", "Text5",
             "UDP packet identification (6 Dig/let) :", &R::udpPacketId),
        text(17, "smsIntervalOnline", "Text22",
             "SMS tracking interval ONLINE (0-16383):", &R::smsIntervalOnline),
        text(18, "gprsTrackingInterval", "Text13",
             "Real time GPRS tracking interval (0-5):", &R::gprsTrackingInterval),
        text(19, "gprsSavingInterval", "Text27",
             "Real time GPRS saving interval(0-255):", &R::gprsSavingInterval),
        list(20, "workingMode", "Combo7", "Working Mode :", &R::workingMode, workingMode),
        text(21, "emailSendTo", "Text15", "Email address send to (32 Max):", &R::emailSendTo),
        text(22, "emailFrom", "Text16", "Email address from (32 Max):", &R::emailFrom),
        text(23, "gprsDialNumber", "Text17", "GPRS dial up number (8 Max):", &R::gprsDialNumber),
        text(24, "apnName", "Text21", "APN (access point Name) 32Max:", &R::apnName),
        text(25, "gprsLoginName", "Text18", "GPRS login name (24 Max):", &R::gprsLoginName),
        text(26, "gprsPassword", "Text19", "GPRS password (16 Max) :", &R::gprsPassword),
        text(27, "geoLat1", "Text25", "LAT1", &R::geoLat1),
        list(28, "geoLat1Hemisphere", "Combo8", "", &R::geoLat1Hemisphere, northSouth),
        text(29, "geoLat2", "Text24", "2", &R::geoLat2),
        list(30, "geoLat2Hemisphere", "Combo9", "", &R::geoLat2Hemisphere, northSouth),
        text(31, "geoLong1", "Text26", "LONG1", &R::geoLong1),
        list(32, "geoLong1Hemisphere", "Combo10", "", &R::geoLong1Hemisphere, eastWest),
        text(33, "geoLong2", "Text23", "2", &R::geoLong2),
        list(34, "geoLong2Hemisphere", "Combo11", "", &R::geoLong2Hemisphere, eastWest),
        list(35, "geoFencingActivation", "Combo12",
             "GEO Fencing activation :", &R::geoFencingActivation, geoFencingActivation),
        text(36, "udpOsUploadPort", "Text20",
             "UDP OS upload port (0-65535) :", &R::udpOsUploadPort),
        text(37, "existingPassword", "Text9", "Existing Password", &R::existingPassword),
        text(38, "newPassword", "Text14", "New Password", &R::newPassword),
        list(39, "stopRealTimeInSleep", "Combo1",
             "Stop Real Time Tr. When in sleep mode : ", &R::stopRealTimeInSleep, disabledEnabled),
        text(40, "aux2InputDelay", "Text28",
             "AUX2 input delay time (0-255 sec) :", &R::aux2InputDelay),
        text(41, "speedLimit", "Text29", "Speed Limit (0-183 km/h) :", &R::speedLimit),
        text(42, "speedLimitTime", "Text30", "Speed limit activation time :", &R::speedLimitTime),
        list(43, "dailyStatus", "Combo13", "Status send every 24 hours:", &R::dailyStatus,
             disabledEnabled),
        text(44, "smsIntervalOffline", "Text31",
             "SMS tracking interval OFFLINE (0-16383):", &R::smsIntervalOffline),
        list(45, "panicInput", "Combo14", "Panic input:", &R::panicInput, enabledDisabled),
        list(46, "voiceMelody", "Combo1",
             "Select Melody for incoming Voice Call: (0-9) :", &R::voiceMelody, digits, S::Setup3),
        list(47, "autoPickupRings", "Combo2", "Auto Pickup after (0-9) rings ", &R::autoPickupRings,
             digits, S::Setup3),
        list(48, "aux1VoiceCall", "Combo3", "Select Auxiliary Input 1 to pickup/dial Voice Call :",
             &R::aux1VoiceCall, noYes, S::Setup3),
        text(49, "adcTriggerLevel", "Text2",
             "ADC input trigger level (0-255) :", &R::adcTriggerLevel, S::Setup3),
        text(50, "adcDelayTime", "Text3", "ADC delay time (0-255 sec) :", &R::adcDelayTime,
             S::Setup3),
        list(51, "adcTriggerActivation", "Combo4",
             "ADC trigger activation :", &R::adcTriggerActivation, adcTriggerActivation, S::Setup3),
    };
    return table;
}

const SettingDescriptor *findSetting(const QString &name)
{
    for (const SettingDescriptor &d : settingDescriptors()) {
        if (name == QLatin1String(d.name))
            return &d;
    }
    return nullptr;
}
