#include "configuration_check.h"

#include "common/numeric_value.h"

#include <array>

RuleOutcome evaluateRule(const SettingRule &rule, const ConfigurationRecord &record)
{
    const QString &text = record.*rule.text;
    bool failed = false;
    if (rule.minValue || rule.maxValue) {
        const std::optional<double> value = numericValue(text);
        if (!value)
            return RuleOutcome::Overflow;
        failed = (rule.minValue && *value < *rule.minValue) ||
                 (rule.maxValue && *value > *rule.maxValue);
    }
    const qsizetype length = text.size();
    failed = failed || (rule.minLength && length < *rule.minLength) ||
             (rule.maxLength && length > *rule.maxLength) ||
             (rule.needsPoint && !text.contains(u'.'));
    return failed ? RuleOutcome::Fail : RuleOutcome::Pass;
}

namespace {
using R = ConfigurationRecord;
using std::nullopt;

SettingRule range(QString R::*text, std::optional<double> min, std::optional<double> max)
{
    return {text, min, max, nullopt, nullopt, false};
}
SettingRule length(QString R::*text, std::optional<int> min, std::optional<int> max)
{
    return {text, nullopt, nullopt, min, max, false};
}
SettingRule degrees(QString R::*text, double max, int maxLength)
{
    return {text, 0.0, max, 6, maxLength, false};
}
SettingRule point(QString R::*text)
{
    return {text, nullopt, nullopt, nullopt, nullopt, true};
}
} // namespace

std::span<const CheckTest> configurationCheckTests()
{
    static const std::array<CheckTest, 34> tests = {{
        {length(&R::basePhoneNumber, 3, 16), "Invalid Base Phone number"},
        {range(&R::aux2InputDelay, 0, 255), "Invalid AUX2 input delay time"},
        {range(&R::speedLimit, 0, 183), "Invalid Speed limit"},
        {range(&R::speedLimitTime, 0, 255), "Speed "},
        {degrees(&R::geoLat1, 90, 7), "Invalid LAT1 Value"},
        {degrees(&R::geoLat2, 90, 7), "Invalid LAT2 Value"},
        {degrees(&R::geoLong1, 180, 8), "Invalid LONG1 Value"},
        {degrees(&R::geoLong2, 180, 8), "Invalid LONG2 Value"},
        {point(&R::geoLat1), "Invalid LAT1 Value"},
        {point(&R::geoLat2), "Invalid LAT2 Value"},
        {point(&R::geoLong1), "Invalid LONG1 Value"},
        {point(&R::geoLong2), "Invalid LONG2 Value"},
        {length(&R::udpServerAddress, 5, nullopt), "Invalid IP address for UDP"},
        {length(&R::smtpServerAddress, 5, nullopt), "Invalid server IP address"},
        {range(&R::smsIntervalOnline, 0, 16383), "Invalid SMS tracking interval ONLINE"},
        {range(&R::smsIntervalOffline, 0, 16383), "Invalid SMS tracking interval OFFLINE"},
        {range(&R::udpDestinationPort, 0, 65535), "Invalid UDP destination port"},
        {range(&R::udpOsUploadPort, nullopt, 65535), "Invalid UDP OS upload port"},
        {range(&R::gprsSavingInterval, 0, 255), "Invalid GPRS saving interval"},
        {range(&R::gprsTrackingInterval, nullopt, 5), "Invalid Real time GPRS tracking interval"},
        {range(&R::geoFencingDelay, 1, 240), "Invalid GEO fencing delay"},
        {range(&R::geoFencingSensitivity, 1, 240), "Invalid GEO fencing sensitivity"},
        {range(&R::alarmInputDelay, 1, 240), "Invalid Alarm input delay time"},
        {range(&R::powerFailureDelay, 0, 240), "Invalid Power failure delay time"},
        {range(&R::gpsReadingInterval, 1, 240), "Invalid GPS reading interval"},
        {length(&R::emailSendTo, nullopt, 32), "Invalid Email address send to"},
        {length(&R::emailFrom, nullopt, 32), "Invalid Email address from"},
        {length(&R::gprsDialNumber, nullopt, 8), "Invalid GPRS dial up number"},
        {length(&R::apnName, nullopt, 32), "Invalid APN name"},
        {length(&R::gprsLoginName, nullopt, 24), "Invalid GPRS login name"},
        {length(&R::gprsPassword, nullopt, 16), "Invalid GPRS password"},
        {length(&R::udpPacketId, 6, 6), "Invalid UDP packet identification"},
        {length(&R::existingPassword, 4, 4), "Invalid Existing Password"},
        {length(&R::newPassword, nullopt, 4), "Invalid New Password"},
    }};
    return tests;
}

ConfigurationCheckResult checkConfiguration(const ConfigurationRecord &record)
{
    ConfigurationCheckResult result;
    int number = 0;
    for (const CheckTest &test : configurationCheckTests()) {
        ++number;
        switch (evaluateRule(test.rule, record)) {
        case RuleOutcome::Pass:
            break;
        case RuleOutcome::Fail:
            result.failures << QString::fromLatin1(test.message);
            break;
        case RuleOutcome::Overflow:
            result.endedByRunTimeFailure = true;
            result.endingTest = number;
            return result;
        }
    }
    return result;
}

QList<UserMessage> checkMessages(const ConfigurationCheckResult &result)
{
    using namespace ConfigurationCheckTexts;
    QList<UserMessage> messages;
    for (const QString &failure : result.failures)
        messages.append({failure, errorTitle, MessageIcon::Critical});
    if (result.endedByRunTimeFailure)
        messages.append({invalidConfiguration, errorTitle, MessageIcon::Critical});
    else if (result.valid())
        messages.append({valid, validTitle, MessageIcon::None});
    return messages;
}
