#include "port_device_choice.h"

#include "port_map.h"

#include <QFileInfo>
#include <QSettings>

namespace {
QString key(int portNumber)
{
    return QStringLiteral("ports/COM%1").arg(portNumber);
}
constexpr int entryCount = 12;
constexpr char lastEntryKey[] = "ports/lastEntry";
} // namespace

PortDeviceChoice::PortDeviceChoice(PortMap &map, const SerialDeviceFinder &finder,
                                   QSettings *settings)
    : m_map(map), m_finder(finder), m_settings(settings)
{
}

void PortDeviceChoice::load()
{
    if (!m_settings)
        return;
    for (int k = 1; k <= entryCount; ++k)
        m_map.choose(k, m_settings->value(key(k)).toString());
}

void PortDeviceChoice::choose(int portNumber, const QString &device)
{
    m_map.choose(portNumber, device);
    if (!m_settings)
        return;
    if (device.isEmpty())
        m_settings->remove(key(portNumber));
    else
        m_settings->setValue(key(portNumber), device);
    m_settings->sync();
}

QString PortDeviceChoice::problemWith(const QString &device) const
{
    if (!m_finder.exists(device))
        return QStringLiteral("%1 does not exist.").arg(device);
    // A device is neither a plain file nor a folder (on Windows COMk is no file at all).
    const QFileInfo info(device);
    if (info.isDir() || info.isFile())
        return QStringLiteral("%1 is not a serial device.").arg(device);
    return QString();
}

int PortDeviceChoice::lastEntry() const
{
    const int entry = m_settings ? m_settings->value(QLatin1String(lastEntryKey), 1).toInt() : 1;
    return entry >= 1 && entry <= entryCount ? entry : 1;
}

void PortDeviceChoice::keepLastEntry(int portNumber)
{
    if (!m_settings)
        return;
    m_settings->setValue(QLatin1String(lastEntryKey), portNumber);
    m_settings->sync();
}

QString PortDeviceChoice::toolTip(int portNumber) const
{
    const QString hint = adapterHint(portNumber);
    const QString device = m_map.device(portNumber);
    return hint.isEmpty() ? device : device + u'\n' + hint;
}

QString PortDeviceChoice::adapterHint(int portNumber) const
{
    if (m_map.isGivenForRun(portNumber) || !m_map.chosen(portNumber).isEmpty())
        return QString();
    const QString standard = PortMap::defaultDevice(portNumber);
    if (m_finder.exists(standard))
        return QString();
    QList<SerialDevice> adapters;
    for (const SerialDevice &device : m_finder.devices()) {
        if (device.usb)
            adapters.append(device);
    }
    if (adapters.size() != 1)
        return QString();
    const SerialDevice &adapter = adapters.first();
    const QString described = adapter.description.isEmpty()
                                  ? QString()
                                  : QStringLiteral(" (%1)").arg(adapter.description);
    return QStringLiteral("%1 does not exist, but one USB serial adapter is present: %2%3. Attach "
                          "it to COM%4 with \"Serial device...\" or --port COM%4=%2.")
        .arg(standard, adapter.shownName(), described)
        .arg(portNumber);
}
