#include "configuration_model.h"

#include "configuration_file.h"

bool ConfigurationModel::setRecord(const ConfigurationRecord &record)
{
    ConfigurationRecord taken = record;
    bool allTaken = true;
    for (const SettingDescriptor &d : settingDescriptors()) {
        if (d.kind != SettingDescriptor::Kind::List)
            continue;
        const int index = taken.*d.index;
        if (index < -1 || index >= d.items->size()) {
            taken.*d.index = m_record.*d.index;
            allTaken = false;
        }
    }
    if (taken != m_record) {
        m_record = taken;
        emit changed();
    }
    return allTaken;
}

FileOutcome ConfigurationModel::load(const QString &path)
{
    ConfigurationRecord loaded = m_record;
    if (!loadConfigurationFile(path, loaded))
        return {false, UserMessage{ConfigurationFileTexts::loadFailed,
                                   ConfigurationFileTexts::errorTitle, MessageIcon::Critical}};
    setRecord(loaded);
    return {true, std::nullopt};
}

FileOutcome ConfigurationModel::save(const QString &path) const
{
    if (const std::optional<QString> error = saveConfigurationFile(path, m_record))
        return {false,
                UserMessage{*error, ConfigurationFileTexts::errorTitle, MessageIcon::Critical}};
    return {true, UserMessage{ConfigurationFileTexts::saved, ConfigurationFileTexts::savedTitle,
                              MessageIcon::Information}};
}
