#pragma once

#include <QDialog>

class PortDeviceChoice;
class QListWidget;

// "Serial device for COMk": the devices the system has, the entry's default first; OK puts the
// one selected behind COMk and keeps it for later runs.
class PortDeviceDialog : public QDialog
{
    Q_OBJECT
public:
    PortDeviceDialog(PortDeviceChoice &choice, int portNumber, QWidget *parent = nullptr);

    // The device selected (empty: the default).
    QString selectedDevice() const;

    void accept() override;

private:
    PortDeviceChoice &m_choice;
    int m_portNumber;
    QListWidget *m_devices;
};
