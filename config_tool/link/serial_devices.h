#pragma once

#include <QList>
#include <QMap>
#include <QString>

// A serial device the system has: a built-in port, a USB serial adapter ...
struct SerialDevice
{
    QString systemPath;  // /dev/ttyUSB0, COM3
    QString stableName;  // its link under /dev/serial/by-id, which survives re-plugging; or empty
    QString description; // "FT232R USB UART"
    bool usb = false;

    // The name to show and to remember: the stable one where there is one.
    QString shownName() const { return stableName.isEmpty() ? systemPath : stableName; }
    // One line of --list-ports and of the device list: name, device, description.
    QString line() const;
};

// Where the serial devices come from; tests stand in their own.
class SerialDeviceFinder
{
public:
    virtual ~SerialDeviceFinder() = default;
    virtual QList<SerialDevice> devices() const = 0;
    virtual bool exists(const QString &device) const = 0;
};

// The system's devices, found with QSerialPortInfo, with their links in the by-id folder.
class SystemSerialDevices : public SerialDeviceFinder
{
public:
    explicit SystemSerialDevices(QString byIdFolder = QStringLiteral("/dev/serial/by-id"))
        : m_byIdFolder(std::move(byIdFolder))
    {
    }
    QList<SerialDevice> devices() const override;
    bool exists(const QString &device) const override;

    // The links of a by-id folder by the device each leads to (/dev/ttyUSB0 -> link).
    static QMap<QString, QString> stableNames(const QString &byIdFolder);

private:
    QString m_byIdFolder;
};
