#pragma once

#include <array>

// Where each setting lives in the unit's 256-byte configuration image. vortsetup builds the
// image from its screens and reads it back from the unit; Server builds it from a configuration
// file. Positions not named here are fill and keep 0xFF.
namespace ConfigurationImageLayout {

constexpr int imageSize = 256;
constexpr unsigned char fill = 0xFF;

// One byte each unless a width is given.
constexpr int dailyStatus = 1;
constexpr int smsIntervalOffline = 2; // 2 bytes, high byte first
constexpr int geoLat1 = 4;            // coordinate triple
constexpr int geoLat1Hemisphere = 7;
constexpr int enabledBy = 10;
constexpr int geoLat2 = 11; // coordinate triple
constexpr int geoLat2Hemisphere = 14;
constexpr int stopRealTimeInSleep = 15;
constexpr int basePhoneNumber = 16;
constexpr int basePhoneNumberWidth = 16;
constexpr int geoFencingDelay = 33;
constexpr int geoFencingSensitivity = 34;
constexpr int alarmActivation = 35;
constexpr int alarmInputDelay = 36;
constexpr int powerFailureDelay = 38;
constexpr int gpsReadingInterval = 39;
constexpr int creditsLeft = 40;
constexpr int sosFunction = 46;
constexpr int autoReportFiles = 47;
constexpr int smtpServerAddress = 48; // 4 bytes
constexpr int panicInput = 52;
constexpr int furtherValues = 53; // 4 bytes only Server writes, for version texts "?1..."
constexpr int adcDelayTime = 57;
constexpr int adcTriggerLevel = 58;
constexpr int adcTriggerActivation = 59;
constexpr int udpServerAddress = 64;   // 4 bytes
constexpr int udpDestinationPort = 68; // 2 bytes
constexpr int udpPacketId = 70;
constexpr int udpPacketIdWidth = 6;
constexpr int gprsTrackingInterval = 76;
constexpr int workingMode = 77;
constexpr int udpOsUploadPort = 78; // 2 bytes
constexpr int geoLong1 = 85;        // coordinate triple
constexpr int geoLong1Hemisphere = 88;
constexpr int geoLong2 = 89; // coordinate triple
constexpr int geoLong2Hemisphere = 92;
constexpr int aux2InputDelay = 93;
constexpr int speedLimit = 94;
constexpr int geoFencingActivation = 95;
constexpr int emailSendTo = 96;
constexpr int emailSendToWidth = 32;
constexpr int emailFrom = 128;
constexpr int emailFromWidth = 32;
constexpr int gprsDialNumber = 160;
constexpr int gprsDialNumberWidth = 8;
constexpr int gprsLoginName = 168;
constexpr int gprsLoginNameWidth = 24;
constexpr int gprsPassword = 192;
constexpr int gprsPasswordWidth = 16;
constexpr int unitPassword = 211;
constexpr int unitPasswordWidth = 4;
constexpr int voiceMelody = 215;
constexpr int autoPickupRings = 216;
constexpr int aux1VoiceCall = 217;
constexpr int smsIntervalOnline = 218; // 2 bytes
constexpr int gprsSavingInterval = 221;
constexpr int speedLimitTime = 222;
constexpr int apnName = 224;
constexpr int apnNameWidth = 32; // runs to the end of the image

// The phone number's "#" of a 16-character number would fall here; the constant wins.
constexpr int phoneNumberEnd = 32;

struct Constant
{
    int position;
    unsigned char value;
};

// Sent exactly as listed. Position 0 ("V") and 8 are vortsetup's; Server puts the request's
// character at 0 and leaves 8 alone.
constexpr std::array<Constant, 10> constants = {{{0, 0x56},
                                                 {8, 0x00},
                                                 {32, 0x00},
                                                 {37, 0x00},
                                                 {41, 0x00},
                                                 {42, 0x10},
                                                 {43, 0x00},
                                                 {44, 0x14},
                                                 {45, 0x0A},
                                                 {210, 0x00}}};
constexpr int versionConstantPosition = 0;
constexpr int toolOnlyConstantPosition = 8;

} // namespace ConfigurationImageLayout
