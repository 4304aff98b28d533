#pragma once

#include "serial_devices.h"

class PortMap;
class QSettings;

// The devices the user put behind COM entries in the window, kept in the settings between runs,
// and what the port list says about each entry.
class PortDeviceChoice
{
public:
    // settings: where the choices are kept (none: for this run only).
    PortDeviceChoice(PortMap &map, const SerialDeviceFinder &finder, QSettings *settings);

    // The kept choices into the map.
    void load();
    // Puts the device behind port number k and keeps it (empty: back to the default).
    void choose(int portNumber, const QString &device);

    // Why a device typed by its path cannot be put behind an entry (it does not exist, or it is
    // a plain file or a folder); empty when it can.
    QString problemWith(const QString &device) const;

    // The COM entry chosen last in the window (1 for COM1), kept as the devices are.
    int lastEntry() const;
    void keepLastEntry(int portNumber);

    const PortMap &map() const { return m_map; }
    QList<SerialDevice> devices() const { return m_finder.devices(); }

    // The tooltip of entry k: its device, and the hint below when there is one.
    QString toolTip(int portNumber) const;
    // With nothing chosen for entry k, its default device missing and exactly one USB serial
    // adapter present: which adapter that is and how to attach it. Empty otherwise.
    QString adapterHint(int portNumber) const;

private:
    PortMap &m_map;
    const SerialDeviceFinder &m_finder;
    QSettings *m_settings;
};
