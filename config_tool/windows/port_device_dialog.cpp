#include "port_device_dialog.h"

#include "link/port_device_choice.h"
#include "link/port_map.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>

PortDeviceDialog::PortDeviceDialog(PortDeviceChoice &choice, int portNumber, QWidget *parent)
    : QDialog(parent), m_choice(choice), m_portNumber(portNumber), m_devices(new QListWidget(this))
{
    setObjectName(QStringLiteral("portDeviceDialog"));
    setWindowTitle(QStringLiteral("Serial device for COM%1").arg(portNumber));

    auto *caption = new QLabel(QStringLiteral("&Device behind COM%1 :").arg(portNumber), this);
    caption->setObjectName(QStringLiteral("deviceCaption"));
    caption->setBuddy(m_devices);
    m_devices->setObjectName(QStringLiteral("deviceList"));
    // A list view does not take its name from a buddy caption.
    m_devices->setAccessibleName(QStringLiteral("Device behind COM%1").arg(portNumber));

    auto *standard = new QListWidgetItem(
        QStringLiteral("Default: %1").arg(PortMap::defaultDevice(portNumber)), m_devices);
    standard->setData(Qt::UserRole, QString());
    m_devices->setCurrentItem(standard);
    const QString current = choice.map().chosen(portNumber);
    for (const SerialDevice &device : choice.devices()) {
        auto *item = new QListWidgetItem(device.line(), m_devices);
        item->setData(Qt::UserRole, device.shownName());
        if (device.shownName() == current || device.systemPath == current)
            m_devices->setCurrentItem(item);
    }
    if (!current.isEmpty() && m_devices->currentItem() == standard) {
        // Chosen earlier, not plugged in now: kept unless another is chosen.
        auto *item = new QListWidgetItem(current + QStringLiteral("  (not found now)"), m_devices);
        item->setData(Qt::UserRole, current);
        m_devices->setCurrentItem(item);
    }
    connect(m_devices, &QListWidget::itemDoubleClicked, this, &PortDeviceDialog::accept);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(caption);
    layout->addWidget(m_devices);
    if (choice.map().isGivenForRun(portNumber)) {
        auto *note = new QLabel(QStringLiteral("For this run --port puts %1 behind COM%2.")
                                    .arg(choice.map().device(portNumber))
                                    .arg(portNumber),
                                this);
        note->setObjectName(QStringLiteral("runNote"));
        note->setWordWrap(true);
        layout->addWidget(note);
    }
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->setObjectName(QStringLiteral("deviceButtons"));
    connect(buttons, &QDialogButtonBox::accepted, this, &PortDeviceDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(560, 280);
}

QString PortDeviceDialog::selectedDevice() const
{
    const QListWidgetItem *item = m_devices->currentItem();
    return item ? item->data(Qt::UserRole).toString() : QString();
}

void PortDeviceDialog::accept()
{
    m_choice.choose(m_portNumber, selectedDevice());
    QDialog::accept();
}
