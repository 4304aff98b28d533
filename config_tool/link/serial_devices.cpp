#include "serial_devices.h"

#include <QDir>
#include <QFileInfo>
#include <QSerialPortInfo>

QString SerialDevice::line() const
{
    QString text = shownName();
    if (shownName() != systemPath)
        text += QStringLiteral(" (") + systemPath + u')';
    if (!description.isEmpty())
        text += QStringLiteral("  ") + description;
    return text;
}

QMap<QString, QString> SystemSerialDevices::stableNames(const QString &byIdFolder)
{
    QMap<QString, QString> names;
    const QDir folder(byIdFolder);
    for (const QFileInfo &link : folder.entryInfoList(QDir::System | QDir::Files, QDir::Name)) {
        const QString target = link.canonicalFilePath();
        if (!target.isEmpty() && !names.contains(target))
            names.insert(target, link.absoluteFilePath());
    }
    return names;
}

QList<SerialDevice> SystemSerialDevices::devices() const
{
    const QMap<QString, QString> stable = stableNames(m_byIdFolder);
    QList<SerialDevice> found;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
        SerialDevice device;
        device.systemPath = info.systemLocation();
        device.stableName = stable.value(QFileInfo(device.systemPath).canonicalFilePath());
        device.description = info.description();
        device.usb = info.hasVendorIdentifier() || !device.stableName.isEmpty();
        found.append(device);
    }
    return found;
}

bool SystemSerialDevices::exists(const QString &device) const
{
#if defined(Q_OS_WIN)
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
        if (info.portName().compare(device, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
#else
    return QFileInfo::exists(device);
#endif
}
