#include "server_settings.h"

void ServerSettings::setOperatingSystemBase(const QString &folder)
{
    set(m_operatingSystemBase, folder);
}

void ServerSettings::setConfigurationFile(const QString &path)
{
    set(m_configurationFile, path);
}

void ServerSettings::setGpsTableFile(const QString &path)
{
    set(m_gpsTableFile, path);
}

void ServerSettings::set(QString &member, const QString &value)
{
    if (member == value)
        return;
    member = value;
    emit changed();
}
