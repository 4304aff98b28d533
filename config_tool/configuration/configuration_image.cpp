#include "configuration_image.h"

#include "common/configuration_image_layout.h"
#include "common/image_encoding.h"
#include "common/quoted_fields.h"

#include <array>

namespace L = ConfigurationImageLayout;
using ImageEncoding::toolVariant;

namespace {

enum class Kind {
    List,
    SpacedByte,
    PlainByte,
    SixteenBit,
    Speed,
    Address,
    Coordinate,
    Text,       // padded with 0xFF, read back up to the first 0xFF
    Characters, // always full, read back whatever the bytes are
    Phone,
};

struct ImageField
{
    const char *setting;
    Kind kind;
    int position;
    int width = 1; // characters of a text field
};

// Every setting the image carries, in position order.
constexpr std::array<ImageField, 48> imageFields = {{
    {"dailyStatus", Kind::List, L::dailyStatus},
    {"smsIntervalOffline", Kind::SixteenBit, L::smsIntervalOffline},
    {"geoLat1", Kind::Coordinate, L::geoLat1},
    {"geoLat1Hemisphere", Kind::List, L::geoLat1Hemisphere},
    {"enabledBy", Kind::List, L::enabledBy},
    {"geoLat2", Kind::Coordinate, L::geoLat2},
    {"geoLat2Hemisphere", Kind::List, L::geoLat2Hemisphere},
    {"stopRealTimeInSleep", Kind::List, L::stopRealTimeInSleep},
    {"basePhoneNumber", Kind::Phone, L::basePhoneNumber, L::basePhoneNumberWidth},
    {"geoFencingDelay", Kind::SpacedByte, L::geoFencingDelay},
    {"geoFencingSensitivity", Kind::SpacedByte, L::geoFencingSensitivity},
    {"alarmActivation", Kind::List, L::alarmActivation},
    {"alarmInputDelay", Kind::SpacedByte, L::alarmInputDelay},
    {"powerFailureDelay", Kind::SpacedByte, L::powerFailureDelay},
    {"gpsReadingInterval", Kind::SpacedByte, L::gpsReadingInterval},
    {"creditsLeft", Kind::List, L::creditsLeft},
    {"sosFunction", Kind::List, L::sosFunction},
    {"autoReportFiles", Kind::List, L::autoReportFiles},
    {"smtpServerAddress", Kind::Address, L::smtpServerAddress},
    {"panicInput", Kind::List, L::panicInput},
    {"adcDelayTime", Kind::SpacedByte, L::adcDelayTime},
    {"adcTriggerLevel", Kind::SpacedByte, L::adcTriggerLevel},
    {"adcTriggerActivation", Kind::List, L::adcTriggerActivation},
    {"udpServerAddress", Kind::Address, L::udpServerAddress},
    {"udpDestinationPort", Kind::SixteenBit, L::udpDestinationPort},
    {"udpPacketId", Kind::Characters, L::udpPacketId, L::udpPacketIdWidth},
    {"gprsTrackingInterval", Kind::SpacedByte, L::gprsTrackingInterval},
    {"workingMode", Kind::List, L::workingMode},
    {"udpOsUploadPort", Kind::SixteenBit, L::udpOsUploadPort},
    {"geoLong1", Kind::Coordinate, L::geoLong1},
    {"geoLong1Hemisphere", Kind::List, L::geoLong1Hemisphere},
    {"geoLong2", Kind::Coordinate, L::geoLong2},
    {"geoLong2Hemisphere", Kind::List, L::geoLong2Hemisphere},
    {"aux2InputDelay", Kind::PlainByte, L::aux2InputDelay},
    {"speedLimit", Kind::Speed, L::speedLimit},
    {"geoFencingActivation", Kind::List, L::geoFencingActivation},
    {"emailSendTo", Kind::Text, L::emailSendTo, L::emailSendToWidth},
    {"emailFrom", Kind::Text, L::emailFrom, L::emailFromWidth},
    {"gprsDialNumber", Kind::Text, L::gprsDialNumber, L::gprsDialNumberWidth},
    {"gprsLoginName", Kind::Text, L::gprsLoginName, L::gprsLoginNameWidth},
    {"gprsPassword", Kind::Text, L::gprsPassword, L::gprsPasswordWidth},
    {"voiceMelody", Kind::List, L::voiceMelody},
    {"autoPickupRings", Kind::List, L::autoPickupRings},
    {"aux1VoiceCall", Kind::List, L::aux1VoiceCall},
    {"smsIntervalOnline", Kind::SixteenBit, L::smsIntervalOnline},
    {"gprsSavingInterval", Kind::SpacedByte, L::gprsSavingInterval},
    {"speedLimitTime", Kind::PlainByte, L::speedLimitTime},
    {"apnName", Kind::Text, L::apnName, L::apnNameWidth},
}};

const SettingDescriptor &descriptorOf(const ImageField &field)
{
    return *findSetting(QLatin1String(field.setting));
}

template <std::size_t N>
void put(QByteArray &image, int position, const std::array<quint8, N> &bytes)
{
    for (std::size_t i = 0; i < N; ++i)
        image[position + int(i)] = char(bytes[i]);
}

bool encodeField(const ImageField &field, const ConfigurationRecord &record, QByteArray &image)
{
    const SettingDescriptor &setting = descriptorOf(field);
    const QString text = setting.text ? record.*setting.text : QString();
    std::optional<quint8> byte;
    switch (field.kind) {
    case Kind::List:
        byte = ImageEncoding::listByte(record.*setting.index);
        break;
    case Kind::SpacedByte:
    case Kind::PlainByte:
        byte = ImageEncoding::byteNumber(text, toolVariant);
        break;
    case Kind::Speed:
        byte = ImageEncoding::speedKnots(text, toolVariant);
        break;
    case Kind::SixteenBit: {
        const auto bytes = ImageEncoding::sixteenBit(text, toolVariant);
        if (bytes)
            put(image, field.position, *bytes);
        return bytes.has_value();
    }
    case Kind::Address: {
        const auto bytes = ImageEncoding::address(text, toolVariant);
        if (bytes)
            put(image, field.position, *bytes);
        return bytes.has_value();
    }
    case Kind::Coordinate: {
        const auto bytes = ImageEncoding::coordinateTriple(text, toolVariant);
        if (bytes)
            put(image, field.position, *bytes);
        return bytes.has_value();
    }
    case Kind::Text:
    case Kind::Characters:
        return ImageEncoding::writeText(image, field.position, field.width, text);
    case Kind::Phone:
        return ImageEncoding::writePhoneNumber(image, text);
    }
    if (byte)
        image[field.position] = char(*byte);
    return byte.has_value();
}

QString spaced(int number)
{
    return u' ' + QString::number(number);
}

void decodeField(const ImageField &field, const QByteArray &image, ConfigurationRecord &record)
{
    const SettingDescriptor &setting = descriptorOf(field);
    const auto at = [&image](int position) { return quint8(image[position]); };
    const int position = field.position;
    QString text;
    switch (field.kind) {
    case Kind::List:
        if (at(position) < setting.items->size())
            record.*setting.index = at(position);
        return;
    case Kind::SpacedByte:
        text = spaced(at(position));
        break;
    case Kind::PlainByte:
        text = QString::number(at(position));
        break;
    case Kind::Speed:
        text = QString::number(ImageEncoding::roundHalfEven(at(position) * 1.852));
        break;
    case Kind::SixteenBit:
        text = spaced(at(position) * 256 + at(position + 1));
        break;
    case Kind::Address:
        text = QStringList{spaced(at(position)), spaced(at(position + 1)), spaced(at(position + 2)),
                           spaced(at(position + 3))}
                   .join(u'.');
        break;
    case Kind::Coordinate:
        text = ImageEncoding::coordinateText(at(position), at(position + 1), at(position + 2));
        break;
    case Kind::Text: {
        QByteArray bytes = image.mid(position, field.width);
        const qsizetype end = bytes.indexOf(char(L::fill));
        if (end >= 0)
            bytes.truncate(end);
        text = fromSingleByte(bytes);
        break;
    }
    case Kind::Characters:
        text = fromSingleByte(image.mid(position, field.width));
        break;
    case Kind::Phone: {
        QByteArray bytes = image.mid(position, field.width);
        const qsizetype end = bytes.indexOf('#');
        if (end >= 0)
            bytes.truncate(end);
        text = fromSingleByte(bytes);
        break;
    }
    }
    record.*setting.text = text;
}

} // namespace

std::span<const SettingRule> downloadCheckRules()
{
    static const std::array<SettingRule, 31> rules = [] {
        const auto check = [](int number) { return configurationCheckTests()[number - 1].rule; };
        SettingRule destinationPort = check(17);
        destinationPort.minValue.reset();
        return std::array<SettingRule, 31>{
            check(2),  check(3),  check(4),  check(5),  check(6),        check(7),  check(8),
            check(9),  check(10), check(11), check(12), destinationPort, check(18), check(15),
            check(16), check(20), check(1),  check(21), check(22),       check(23), check(24),
            check(25), check(26), check(27), check(28), check(29),       check(30), check(31),
            check(33), check(34), check(32)};
    }();
    return rules;
}

bool passesDownloadChecks(const ConfigurationRecord &record)
{
    bool passed = true;
    for (const SettingRule &rule : downloadCheckRules())
        passed = evaluateRule(rule, record) == RuleOutcome::Pass && passed;
    return passed;
}

std::optional<QByteArray> encodeConfigurationImage(const ConfigurationRecord &record)
{
    if (!passesDownloadChecks(record))
        return std::nullopt;
    QByteArray image(L::imageSize, char(L::fill));
    for (const ImageField &field : imageFields) {
        if (!encodeField(field, record, image))
            return std::nullopt;
    }
    // A new password of exactly four characters replaces the unit's; otherwise the unit keeps
    // the existing one.
    const QString &password = record.newPassword.size() == L::unitPasswordWidth
                                  ? record.newPassword
                                  : record.existingPassword;
    if (!ImageEncoding::writeText(image, L::unitPassword, L::unitPasswordWidth, password))
        return std::nullopt;
    for (const L::Constant &constant : L::constants)
        image[constant.position] = char(constant.value);
    return image;
}

void decodeConfigurationImage(const QByteArray &image, ConfigurationRecord &record)
{
    QByteArray received = image.left(L::imageSize - 1);
    received.append(L::imageSize - received.size(), char(L::fill));
    for (const ImageField &field : imageFields)
        decodeField(field, received, record);
}
