#pragma once

#include <QObject>
#include <QString>

// What the operator has chosen to serve, as the console (or the command line) sets it: the folder
// holding the operating system folders and the two files. Each transfer reads the choice that
// holds when its request arrives. An empty path: nothing chosen.
class ServerSettings : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    QString operatingSystemBase() const { return m_operatingSystemBase; } // Drive1
    QString configurationFile() const { return m_configurationFile; }     // Label5
    QString gpsTableFile() const { return m_gpsTableFile; }               // Label9

    void setOperatingSystemBase(const QString &folder);
    void setConfigurationFile(const QString &path);
    void setGpsTableFile(const QString &path);

signals:
    void changed();

private:
    void set(QString &member, const QString &value);

    QString m_operatingSystemBase;
    QString m_configurationFile;
    QString m_gpsTableFile;
};
