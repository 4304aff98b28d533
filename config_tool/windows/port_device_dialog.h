#pragma once

#include <QDialog>

class PortDeviceChoice;
class QLabel;
class QLineEdit;
class QListWidget;

// "Serial device for COMk": the devices the system has, each once, the entry's default first,
// and a field for any other device path; OK puts the one selected (or the path typed, once it is
// found to be a device) behind COMk and keeps it for later runs.
class PortDeviceDialog : public QDialog
{
    Q_OBJECT
public:
    PortDeviceDialog(PortDeviceChoice &choice, int portNumber, QWidget *parent = nullptr);

    // The device typed, or else the one selected (empty: the default).
    QString selectedDevice() const;

    void accept() override;

private:
    PortDeviceChoice &m_choice;
    int m_portNumber;
    QListWidget *m_devices;
    QLineEdit *m_path; // devicePath
    QLabel *m_problem; // why the path typed is not taken
};
