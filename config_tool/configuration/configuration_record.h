#pragma once

#include <QString>
#include <QStringList>

#include <array>

// The 51 settings of one unit as vortsetup holds them: settings 1 to 45 live on the
// configuration screen setup1, 46 to 51 on the voice/ADC screen setup3. The windows copy their
// controls into a record and back; formats, checks and encoders work on the record alone.
struct ConfigurationRecord
{
    // setup1, in the order of the configuration file
    QString versionNumber = QStringLiteral("V6.X");    // 1, Label2
    int enabledBy = 0;                                 // 2, Combo2, list A
    QString basePhoneNumber;                           // 3, Text2
    QString geoFencingDelay;                           // 4, Text3
    QString geoFencingSensitivity;                     // 5, Text4
    int alarmActivation = 0;                           // 6, Combo3, list B
    QString alarmInputDelay;                           // 7, Text6
    QString powerFailureDelay;                         // 8, Text7
    QString gpsReadingInterval;                        // 9, Text8
    int sosFunction = 0;                               // 10, Combo4, list C
    int autoReportFiles = 0;                           // 11, Combo5, list D
    QString smtpServerAddress;                         // 12, Text10
    int creditsLeft = 0;                               // 13, Combo6, list E
    QString udpServerAddress;                          // 14, Text11
    QString udpDestinationPort;                        // 15, Text12
    QString udpPacketId;                               // 16, Text5
    QString smsIntervalOnline;                         // 17, Text22
    QString gprsTrackingInterval;                      // 18, Text13
    QString gprsSavingInterval;                        // 19, Text27
    int workingMode = 0;                               // 20, Combo7, list F
    QString emailSendTo;                               // 21, Text15
    QString emailFrom;                                 // 22, Text16
    QString gprsDialNumber;                            // 23, Text17
    QString apnName;                                   // 24, Text21
    QString gprsLoginName;                             // 25, Text18
    QString gprsPassword;                              // 26, Text19
    QString geoLat1;                                   // 27, Text25
    int geoLat1Hemisphere = 0;                         // 28, Combo8, list G
    QString geoLat2;                                   // 29, Text24
    int geoLat2Hemisphere = 0;                         // 30, Combo9, list G
    QString geoLong1;                                  // 31, Text26
    int geoLong1Hemisphere = 0;                        // 32, Combo10, list H
    QString geoLong2;                                  // 33, Text23
    int geoLong2Hemisphere = 0;                        // 34, Combo11, list H
    int geoFencingActivation = 0;                      // 35, Combo12, list I
    QString udpOsUploadPort;                           // 36, Text20
    QString existingPassword = QStringLiteral("6048"); // 37, Text9
    QString newPassword;                               // 38, Text14
    int stopRealTimeInSleep = 0;                       // 39, Combo1, list D
    QString aux2InputDelay;                            // 40, Text28
    QString speedLimit;                                // 41, Text29
    QString speedLimitTime;                            // 42, Text30
    int dailyStatus = 0;                               // 43, Combo13, list D
    QString smsIntervalOffline;                        // 44, Text31
    int panicInput = 0;                                // 45, Combo14, list J
    // setup3
    int voiceMelody = 0;                           // 46, Combo1, digits 0-9
    int autoPickupRings = 0;                       // 47, Combo2, digits 0-9
    int aux1VoiceCall = 0;                         // 48, Combo3, No/Yes
    QString adcTriggerLevel = QStringLiteral("0"); // 49, Text2
    QString adcDelayTime = QStringLiteral("0");    // 50, Text3
    int adcTriggerActivation = 0;                  // 51, Combo4

    bool operator==(const ConfigurationRecord &) const = default;
};

// What a setting is, where it lives and how the file stores it. The table lists the settings in
// file order, so settingDescriptors()[n - 1] is setting n.
struct SettingDescriptor
{
    enum class Kind { Label, Text, List };
    enum class Screen { Setup1, Setup3 };

    int number;          // 1 to 51: the line of the configuration file
    const char *name;    // e.g. "geoFencingDelay"
    const char *control; // object name on its screen, e.g. "Text3"
    Screen screen;
    Kind kind;
    const char *caption;                          // caption beside the control on the screen
    QString ConfigurationRecord::*text = nullptr; // Label and Text kinds
    int ConfigurationRecord::*index = nullptr;    // List kind
    const QStringList *items = nullptr;           // List kind: the fixed items, index = item
};

namespace SettingLists {
extern const QStringList enabledBy;            // A
extern const QStringList alarmActivation;      // B
extern const QStringList sosFunction;          // C
extern const QStringList disabledEnabled;      // D
extern const QStringList creditsLeft;          // E
extern const QStringList workingMode;          // F
extern const QStringList northSouth;           // G
extern const QStringList eastWest;             // H
extern const QStringList geoFencingActivation; // I
extern const QStringList enabledDisabled;      // J (panicInput: index 0 is enabled)
extern const QStringList digits;               // "0" to "9"
extern const QStringList noYes;
extern const QStringList adcTriggerActivation;
} // namespace SettingLists

constexpr int settingCount = 51;
const std::array<SettingDescriptor, settingCount> &settingDescriptors();
// The descriptor of a setting by its name; nullptr when there is none.
const SettingDescriptor *findSetting(const QString &name);
