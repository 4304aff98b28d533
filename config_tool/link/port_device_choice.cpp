#include "port_device_choice.h"

#include "port_map.h"

#include <QSettings>

namespace {
QString key(int portNumber)
{
    return QStringLiteral("ports/COM%1").arg(portNumber);
}
constexpr int entryCount = 12;
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
