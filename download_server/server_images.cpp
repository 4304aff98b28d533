#include "server_images.h"

#include "common/configuration_image_layout.h"
#include "common/image_encoding.h"
#include "common/quoted_fields.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <array>
#include <span>

namespace L = ConfigurationImageLayout;
using ImageEncoding::serverVariant;
using Status = ServerImageResult::Status;

namespace {

// Rows (b) and (c) of the "?1" version texts are indexes into this table.
constexpr std::array<quint8, 31> lookupTable = {
    166, 170, 175, 178, 181, 184, 187, 190, 192, 194, 196, 198, 200, 202, 203, 204,
    206, 207, 208, 209, 211, 212, 213, 214, 215, 216, 217, 218, 219, 220, 221};

// The request's characters 8 to 11 open the image; a shorter request cannot be answered.
constexpr int requestCharacters = ServerImageParts::requestOffset + ServerImageParts::requestBytes;

constexpr int gpsLocations = 121;
constexpr int bytesPerLocation = 6;

// Neither file is anywhere near this; a bigger one is not one of them.
constexpr qint64 largestFile = qint64(1024) * 1024;

enum class Conversion {
    Held,       // the version text
    Skipped,    // read and not used
    Number,     // a list index on its own, 0 to 255
    Decimal,    // the number at the start of a text, rounded
    Phone,      // text bytes at 16, "#", byte 32 = 0
    Address,    // four decimals
    SixteenBit, // high byte first
    FirstCodes, // the first width characters; fewer is refused
    Text,       // at most width characters
    Coordinate, // degrees, digits 1-2, digits 3-4; no "." is an empty entry
    Speed,      // km/h to knots
    Lookup,     // lookup table entry at the index the value gives
};

struct Step
{
    const char *setting;
    Conversion conversion;
    int position = 0;
    int width = 0;
};

constexpr std::array<Step, 45> lines1To45 = {{
    {"versionNumber", Conversion::Held},
    {"enabledBy", Conversion::Number, L::enabledBy},
    {"basePhoneNumber", Conversion::Phone, L::basePhoneNumber, L::basePhoneNumberWidth},
    {"geoFencingDelay", Conversion::Decimal, L::geoFencingDelay},
    {"geoFencingSensitivity", Conversion::Decimal, L::geoFencingSensitivity},
    {"alarmActivation", Conversion::Number, L::alarmActivation},
    {"alarmInputDelay", Conversion::Decimal, L::alarmInputDelay},
    {"powerFailureDelay", Conversion::Decimal, L::powerFailureDelay},
    {"gpsReadingInterval", Conversion::Decimal, L::gpsReadingInterval},
    {"sosFunction", Conversion::Number, L::sosFunction},
    {"autoReportFiles", Conversion::Number, L::autoReportFiles},
    {"smtpServerAddress", Conversion::Address, L::smtpServerAddress},
    {"creditsLeft", Conversion::Number, L::creditsLeft},
    {"udpServerAddress", Conversion::Address, L::udpServerAddress},
    {"udpDestinationPort", Conversion::SixteenBit, L::udpDestinationPort},
    {"udpPacketId", Conversion::FirstCodes, L::udpPacketId, L::udpPacketIdWidth},
    {"smsIntervalOnline", Conversion::SixteenBit, L::smsIntervalOnline},
    {"gprsTrackingInterval", Conversion::Decimal, L::gprsTrackingInterval},
    {"gprsSavingInterval", Conversion::Decimal, L::gprsSavingInterval},
    {"workingMode", Conversion::Number, L::workingMode},
    {"emailSendTo", Conversion::Text, L::emailSendTo, L::emailSendToWidth},
    {"emailFrom", Conversion::Text, L::emailFrom, L::emailFromWidth},
    {"gprsDialNumber", Conversion::Text, L::gprsDialNumber, L::gprsDialNumberWidth},
    {"apnName", Conversion::Text, L::apnName, L::apnNameWidth},
    {"gprsLoginName", Conversion::Text, L::gprsLoginName, L::gprsLoginNameWidth},
    {"gprsPassword", Conversion::Text, L::gprsPassword, L::gprsPasswordWidth},
    {"geoLat1", Conversion::Coordinate, L::geoLat1},
    {"geoLat1Hemisphere", Conversion::Number, L::geoLat1Hemisphere},
    {"geoLat2", Conversion::Coordinate, L::geoLat2},
    {"geoLat2Hemisphere", Conversion::Number, L::geoLat2Hemisphere},
    {"geoLong1", Conversion::Coordinate, L::geoLong1},
    {"geoLong1Hemisphere", Conversion::Number, L::geoLong1Hemisphere},
    {"geoLong2", Conversion::Coordinate, L::geoLong2},
    {"geoLong2Hemisphere", Conversion::Number, L::geoLong2Hemisphere},
    {"geoFencingActivation", Conversion::Number, L::geoFencingActivation},
    {"udpOsUploadPort", Conversion::SixteenBit, L::udpOsUploadPort},
    // The server always sends the existing password; the new one is not used.
    {"existingPassword", Conversion::FirstCodes, L::unitPassword, L::unitPasswordWidth},
    {"newPassword", Conversion::Skipped},
    {"stopRealTimeInSleep", Conversion::Number, L::stopRealTimeInSleep},
    {"aux2InputDelay", Conversion::Decimal, L::aux2InputDelay},
    {"speedLimit", Conversion::Speed, L::speedLimit},
    {"speedLimitTime", Conversion::Decimal, L::speedLimitTime},
    {"dailyStatus", Conversion::Number, L::dailyStatus},
    {"smsIntervalOffline", Conversion::SixteenBit, L::smsIntervalOffline},
    {"panicInput", Conversion::Number, L::panicInput},
}};

// Read after line 45 only for a version text whose second character is "1".
constexpr std::array<Step, 4> furtherValues = {{
    {"first further value", Conversion::Decimal, L::furtherValues},
    {"second further value", Conversion::Lookup, L::furtherValues + 1},
    {"third further value", Conversion::Lookup, L::furtherValues + 2},
    {"fourth further value", Conversion::Decimal, L::furtherValues + 3},
}};

// Not read for a version text whose second character is "6".
constexpr std::array<Step, 6> lines46To51 = {{
    {"voiceMelody", Conversion::Number, L::voiceMelody},
    {"autoPickupRings", Conversion::Number, L::autoPickupRings},
    {"aux1VoiceCall", Conversion::Number, L::aux1VoiceCall},
    {"adcTriggerLevel", Conversion::Decimal, L::adcTriggerLevel},
    {"adcDelayTime", Conversion::Decimal, L::adcDelayTime},
    {"adcTriggerActivation", Conversion::Number, L::adcTriggerActivation},
}};

// Whether a value of the step always writes the image byte at position.
bool covers(const Step &step, int position)
{
    int width = 0;
    switch (step.conversion) {
    case Conversion::Held:
    case Conversion::Skipped:
        return false;
    case Conversion::Number:
    case Conversion::Decimal:
    case Conversion::Speed:
    case Conversion::Lookup:
        width = 1;
        break;
    case Conversion::SixteenBit:
        width = 2;
        break;
    case Conversion::Coordinate:
        width = 3;
        break;
    case Conversion::Address:
        width = 4;
        break;
    case Conversion::Phone:
        width = step.width + 1;
        break;
    case Conversion::FirstCodes:
    case Conversion::Text:
        width = step.width;
        break;
    }
    return position >= step.position && position < step.position + width;
}

template <std::size_t N>
void put(QByteArray &image, int position, const std::array<quint8, N> &bytes)
{
    for (std::size_t i = 0; i < N; ++i)
        image[position + int(i)] = char(bytes[i]);
}

// What is wrong with a value, or an empty text when it was written.
QString apply(const Step &step, const QString &text, QByteArray &image)
{
    const QString quotedText = u'"' + text + u'"';
    switch (step.conversion) {
    case Conversion::Held:
    case Conversion::Skipped:
        return {};
    case Conversion::Number: {
        const std::optional<int> index = ImageEncoding::wholeNumber(text);
        if (!index)
            return quotedText + QStringLiteral(" is not a number");
        if (*index == -1)
            return QStringLiteral("has no item selected (-1)");
        const std::optional<quint8> byte = ImageEncoding::listByte(*index);
        if (!byte)
            return QString::number(*index) + QStringLiteral(" does not fit 0 to 255");
        image[step.position] = char(*byte);
        return {};
    }
    case Conversion::Decimal: {
        const std::optional<quint8> byte = ImageEncoding::byteNumber(text, serverVariant);
        if (!byte)
            return quotedText + QStringLiteral(" does not fit 0 to 255");
        image[step.position] = char(*byte);
        return {};
    }
    case Conversion::Speed: {
        const std::optional<quint8> byte = ImageEncoding::speedKnots(text, serverVariant);
        if (!byte)
            return quotedText + QStringLiteral(" km/h does not fit 0 to 255 knots");
        image[step.position] = char(*byte);
        return {};
    }
    case Conversion::Lookup: {
        const std::optional<double> index = ImageEncoding::valueOf(text, serverVariant);
        if (!index || *index < 0 || *index >= double(lookupTable.size()))
            return quotedText + QStringLiteral(" is no lookup index 0 to 30");
        image[step.position] = char(lookupTable[std::size_t(*index)]);
        return {};
    }
    case Conversion::SixteenBit: {
        const auto bytes = ImageEncoding::sixteenBit(text, serverVariant);
        if (!bytes)
            return quotedText + QStringLiteral(" does not fit 0 to 65535");
        put(image, step.position, *bytes);
        return {};
    }
    case Conversion::Address: {
        const auto bytes = ImageEncoding::address(text, serverVariant);
        if (!bytes)
            return quotedText + QStringLiteral(" is no address of four numbers 0 to 255");
        put(image, step.position, *bytes);
        return {};
    }
    case Conversion::Coordinate: {
        const auto bytes = ImageEncoding::coordinateTriple(text, serverVariant);
        if (!bytes)
            return quotedText + QStringLiteral(" does not give three bytes 0 to 255");
        put(image, step.position, *bytes);
        return {};
    }
    case Conversion::Phone:
        if (!ImageEncoding::writePhoneNumber(image, text))
            return quotedText + QStringLiteral(" is longer than %1 characters").arg(step.width);
        return {};
    case Conversion::FirstCodes:
        if (text.size() < step.width)
            return quotedText + QStringLiteral(" is shorter than %1 characters").arg(step.width);
        ImageEncoding::writeText(image, step.position, step.width, text.left(step.width));
        return {};
    case Conversion::Text:
        // A longer text would overwrite the settings after it.
        if (!ImageEncoding::writeText(image, step.position, step.width, text))
            return quotedText + QStringLiteral(" is longer than %1 characters").arg(step.width);
        return {};
    }
    return {};
}

// The values of one file, one after the other, with the line each stands on.
class FileValues
{
public:
    FileValues(const QString &kind, const QString &path, const QByteArray &content)
        : m_kind(kind), m_path(path), m_content(content), m_reader(content)
    {
    }

    bool atEnd() const { return m_reader.atEnd(); }

    // The next value; false (with the problem line set) when the file has no more.
    bool next(const char *what, QString &text)
    {
        m_line = lineAt(m_reader.position());
        QuotedField field;
        if (!m_reader.next(field)) {
            problem(QStringLiteral("the file ends, %1 missing").arg(QLatin1String(what)));
            return false;
        }
        text = field.text;
        return true;
    }

    void problem(const QString &what)
    {
        const QString row = m_row < 0 ? QString() : QStringLiteral(", row %1").arg(m_row);
        m_problem = QStringLiteral("Error : %1 %2 line %3%4: %5")
                        .arg(m_kind, m_path, QString::number(m_line), row, what);
    }
    // The table row a problem is named with; none for a configuration file.
    void setRow(int row) { m_row = row; }
    QString problemLine() const { return m_problem; }

private:
    int lineAt(qsizetype position) const
    {
        int line = 1;
        for (qsizetype i = 0; i < position && i < m_content.size(); ++i) {
            const char c = m_content[i];
            if (c == '\n' || (c == '\r' && (i + 1 >= m_content.size() || m_content[i + 1] != '\n')))
                ++line;
        }
        return line;
    }

    QString m_kind;
    QString m_path;
    QByteArray m_content;
    QuotedFieldReader m_reader;
    int m_line = 1;
    int m_row = -1;
    QString m_problem;
};

bool runSteps(std::span<const Step> steps, FileValues &values, QByteArray &image, QString *held)
{
    for (const Step &step : steps) {
        QString text;
        if (!values.next(step.setting, text))
            return false;
        const QString wrong = apply(step, text, image);
        if (!wrong.isEmpty()) {
            values.problem(QLatin1String(step.setting) + u' ' + wrong);
            return false;
        }
        if (step.conversion == Conversion::Held && held)
            *held = text;
    }
    return true;
}

// A table cell the server can send: a number ("255" and other texts without "." are empty
// entries). Anything else means the file is not a table, e.g. a configuration file.
bool isTableNumber(const QString &text)
{
    static const QRegularExpression number(
        QStringLiteral("^[ \\t]*[+-]?(\\d+\\.?\\d*|\\.\\d+)[ \\t]*$"));
    return number.match(text).hasMatch();
}

// Reads the table cell `what`; false (with the problem set) when it is missing or no number.
// An empty coordinate is an empty entry, as the grid's editor stores it.
bool nextTableCell(FileValues &values, const char *what, bool emptyAllowed, QString &text)
{
    if (!values.next(what, text))
        return false;
    if (isTableNumber(text) || (emptyAllowed && text.trimmed().isEmpty()))
        return true;
    values.problem(QStringLiteral("%1 \"%2\" is not a number").arg(QLatin1String(what), text));
    return false;
}

ServerImageResult invalid(QByteArray &image, const QString &problem)
{
    image = QByteArray(downloadImageSize, char(L::fill));
    return {Status::Invalid, problem};
}

} // namespace

namespace ServerImageParts {

bool requestIsLongEnough(const QByteArray &request)
{
    return request.size() >= requestCharacters;
}

bool takenFromRequest(int position)
{
    return position >= 0 && position < requestBytes &&
           std::none_of(lines1To45.cbegin(), lines1To45.cend(),
                        [position](const Step &step) { return covers(step, position); });
}

void takeFromRequest(const QByteArray &request, QByteArray &image)
{
    for (int position = 0; position < requestBytes; ++position) {
        if (takenFromRequest(position))
            image[position] = request.at(requestOffset + position);
    }
}

std::optional<QByteArray> readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > largestFile)
        return std::nullopt;
    const QByteArray content = file.read(largestFile + 1);
    if (content.size() > largestFile || file.error() != QFileDevice::NoError)
        return std::nullopt;
    return content;
}

ServerImageResult configurationFromContent(const QString &path, const QByteArray &content,
                                           QByteArray &image)
{
    image = QByteArray(downloadImageSize, char(L::fill));
    QByteArray built(downloadImageSize, char(L::fill));
    FileValues values(QStringLiteral("Configuration file"), path, content);
    QString version;
    if (!runSteps(lines1To45, values, built, &version))
        return invalid(image, values.problemLine());
    const QChar second = version.size() >= 2 ? version[1] : QChar();
    if (second != u'6') {
        if (second == u'1' && !runSteps(furtherValues, values, built, nullptr))
            return invalid(image, values.problemLine());
        if (!runSteps(lines46To51, values, built, nullptr))
            return invalid(image, values.problemLine());
    }

    for (const L::Constant &constant : L::constants) {
        // Position 0 carries the request's character and 8 is vortsetup's alone.
        if (constant.position != L::versionConstantPosition &&
            constant.position != L::toolOnlyConstantPosition)
            built[constant.position] = char(constant.value);
    }
    image = built;
    return {Status::Built, {}};
}

ServerImageResult gpsTableFromContent(const QString &path, const QByteArray &content,
                                      QByteArray &image)
{
    image = QByteArray(downloadImageSize, char(L::fill));
    const QString kind = QStringLiteral("GPS Camera file");
    QByteArray built(downloadImageSize, char(L::fill));
    FileValues values(kind, path, content);
    int location = 0;
    for (; !values.atEnd(); ++location) {
        values.setRow(location);
        QString id;
        if (!nextTableCell(values, "ID", false, id))
            return invalid(image, values.problemLine());
        if (location >= gpsLocations) {
            values.problem(QStringLiteral("more than %1 locations").arg(gpsLocations));
            return invalid(image, values.problemLine());
        }
        const int position = location * bytesPerLocation;
        for (const Step &cell : {Step{"latitude", Conversion::Coordinate, position},
                                 Step{"longitude", Conversion::Coordinate, position + 3}}) {
            QString text;
            if (!nextTableCell(values, cell.setting, true, text))
                return invalid(image, values.problemLine());
            const QString wrong = apply(cell, text, built);
            if (!wrong.isEmpty()) {
                values.problem(QLatin1String(cell.setting) + u' ' + wrong);
                return invalid(image, values.problemLine());
            }
        }
    }
    // An empty file would wipe the unit's table.
    if (location == 0)
        return invalid(image, QStringLiteral("Error : %1 %2 holds no locations").arg(kind, path));
    image = built;
    return {Status::Built, {}};
}

} // namespace ServerImageParts

ServerImageResult buildServerConfigurationImage(const QString &path, const QByteArray &request,
                                                QByteArray &image)
{
    image = QByteArray(downloadImageSize, char(L::fill));
    if (!QFileInfo(path).isFile())
        return {Status::NotFound, {}};
    const std::optional<QByteArray> content = ServerImageParts::readFile(path);
    if (!content)
        return invalid(image,
                       QStringLiteral("Error : Configuration file %1 cannot be read").arg(path));
    if (!ServerImageParts::requestIsLongEnough(request)) {
        return invalid(image,
                       QStringLiteral("Error : CONFIG request of %1 characters, %2 needed: %3")
                           .arg(request.size())
                           .arg(requestCharacters)
                           .arg(QString::fromLatin1(request)));
    }
    ServerImageResult result = ServerImageParts::configurationFromContent(path, *content, image);
    if (result.status == Status::Built)
        ServerImageParts::takeFromRequest(request, image);
    return result;
}

ServerImageResult buildServerGpsImage(const QString &path, QByteArray &image)
{
    image = QByteArray(downloadImageSize, char(L::fill));
    if (!QFileInfo(path).isFile())
        return {Status::NotFound, {}};
    const std::optional<QByteArray> content = ServerImageParts::readFile(path);
    if (!content)
        return invalid(image,
                       QStringLiteral("Error : GPS Camera file %1 cannot be read").arg(path));
    return ServerImageParts::gpsTableFromContent(path, *content, image);
}
