#include "configuration_file.h"

#include "common/image_encoding.h"
#include "common/quoted_fields.h"
#include "common/whole_file.h"

#include <QFile>
#include <QFileInfo>

namespace {

// A configuration file is about a kilobyte; anything far beyond is not one.
constexpr qint64 largestFile = qint64(1024) * 1024;

// How a setting is named to the user: its caption, or a name for the two whose caption is only
// "2" beside the first corner.
QString displayName(const SettingDescriptor &setting)
{
    const QString name = QLatin1String(setting.name);
    if (name == QLatin1String("geoLat2"))
        return QStringLiteral("LAT2");
    if (name == QLatin1String("geoLong2"))
        return QStringLiteral("LONG2");
    QString caption = QLatin1String(setting.caption).trimmed();
    if (caption.endsWith(u':'))
        caption.chop(1);
    return caption.trimmed();
}

} // namespace

QByteArray configurationFileContent(const ConfigurationRecord &record)
{
    QByteArray content;
    for (const SettingDescriptor &setting : settingDescriptors()) {
        if (setting.kind == SettingDescriptor::Kind::List)
            content += QuotedFields::line({QByteArray::number(record.*setting.index)});
        else
            content += QuotedFields::line({QuotedFields::quoted(record.*setting.text)});
    }
    return content;
}

std::optional<int> firstSettingWithDoubleQuote(const ConfigurationRecord &record)
{
    for (const SettingDescriptor &setting : settingDescriptors()) {
        if (setting.text && (record.*setting.text).contains(u'"'))
            return setting.number;
    }
    return std::nullopt;
}

std::optional<QString> saveConfigurationFile(const QString &path, const ConfigurationRecord &record)
{
    if (const std::optional<int> number = firstSettingWithDoubleQuote(record)) {
        const SettingDescriptor &setting = settingDescriptors()[*number - 1];
        return QStringLiteral("\"%1\" holds a double quote (\"), which the configuration file "
                              "cannot keep. Remove it and save again; nothing was saved.")
            .arg(displayName(setting));
    }
    if (path.isEmpty())
        return ConfigurationFileTexts::invalidPath;
    // Written to a temporary file and renamed over the old one only when complete.
    if (!WholeFile::write(path, configurationFileContent(record)))
        return ConfigurationFileTexts::invalidPath;
    return std::nullopt;
}

bool readConfigurationContent(const QByteArray &content, ConfigurationRecord &record)
{
    // A text file never holds a NUL byte.
    if (content.contains('\0'))
        return false;
    QuotedFieldReader reader(content);
    for (const SettingDescriptor &setting : settingDescriptors()) {
        QuotedField field;
        if (!reader.next(field))
            return false;
        if (setting.kind == SettingDescriptor::Kind::List) {
            const std::optional<int> index = ImageEncoding::wholeNumber(field.text);
            if (!index || *index < -1 || *index >= setting.items->size())
                return false;
            record.*setting.index = *index;
        } else {
            record.*setting.text = field.text;
        }
    }
    return true;
}

bool loadConfigurationFile(const QString &path, ConfigurationRecord &record)
{
    if (path.isEmpty())
        return false;
    QFile file(path);
    if (QFileInfo(path).isDir() || !file.open(QIODevice::ReadOnly))
        return false;
    if (file.size() > largestFile)
        return false;
    const QByteArray content = file.read(largestFile + 1);
    if (content.size() > largestFile || file.error() != QFileDevice::NoError)
        return false;
    return readConfigurationContent(content, record);
}
