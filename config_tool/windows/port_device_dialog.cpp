#include "port_device_dialog.h"

#include "link/port_device_choice.h"
#include "link/port_map.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QVBoxLayout>

PortDeviceDialog::PortDeviceDialog(PortDeviceChoice &choice, int portNumber, QWidget *parent)
    : QDialog(parent), m_choice(choice), m_portNumber(portNumber), m_devices(new QListWidget(this)),
      m_path(new QLineEdit(this)), m_problem(new QLabel(this))
{
    setObjectName(QStringLiteral("portDeviceDialog"));
    setWindowTitle(QStringLiteral("Serial device for COM%1").arg(portNumber));

    auto *caption = new QLabel(QStringLiteral("&Device behind COM%1 :").arg(portNumber), this);
    caption->setObjectName(QStringLiteral("deviceCaption"));
    caption->setBuddy(m_devices);
    m_devices->setObjectName(QStringLiteral("deviceList"));
    // A list view does not take its name from a buddy caption.
    m_devices->setAccessibleName(QStringLiteral("Device behind COM%1").arg(portNumber));

    // The entry's own device is listed once, as the default, with what the system says of it.
    const QString ownDevice = PortMap::defaultDevice(portNumber);
    QString standardLine = ownDevice;
    const QList<SerialDevice> found = choice.devices();
    for (const SerialDevice &device : found) {
        if (device.systemPath == ownDevice)
            standardLine = device.line();
    }
    auto *standard =
        new QListWidgetItem(QStringLiteral("Default: %1").arg(standardLine), m_devices);
    standard->setData(Qt::UserRole, QString());
    m_devices->setCurrentItem(standard);
    const QString current = choice.map().chosen(portNumber);
    for (const SerialDevice &device : found) {
        if (device.systemPath == ownDevice)
            continue;
        auto *item = new QListWidgetItem(device.line(), m_devices);
        item->setData(Qt::UserRole, device.shownName());
        if (device.shownName() == current || device.systemPath == current)
            m_devices->setCurrentItem(item);
    }
    if (!current.isEmpty() && current != ownDevice && m_devices->currentItem() == standard) {
        // Typed earlier, or not plugged in now: kept unless another is chosen.
        const bool present = choice.problemWith(current).isEmpty();
        auto *item = new QListWidgetItem(
            present ? current : current + QStringLiteral("  (not found now)"), m_devices);
        item->setData(Qt::UserRole, current);
        m_devices->setCurrentItem(item);
    }
    connect(m_devices, &QListWidget::itemDoubleClicked, this, &PortDeviceDialog::accept);

    // Any other device by its path: a pseudo-terminal, /dev/rfcomm0, COM7.
    auto *pathCaption = new QLabel(QStringLiteral("&Other device (path) :"), this);
    pathCaption->setObjectName(QStringLiteral("devicePathCaption"));
    pathCaption->setBuddy(m_path);
    m_path->setObjectName(QStringLiteral("devicePath"));
    m_path->setAccessibleName(QStringLiteral("Other device behind COM%1").arg(portNumber));
    m_path->setPlaceholderText(QStringLiteral("/dev/rfcomm0"));
    m_problem->setObjectName(QStringLiteral("devicePathProblem"));
    m_problem->setWordWrap(true);
    m_problem->hide();

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(caption);
    layout->addWidget(m_devices);
    layout->addWidget(pathCaption);
    layout->addWidget(m_path);
    layout->addWidget(m_problem);
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
    QString typed = m_path->text().trimmed();
    if (!typed.isEmpty())
        return typed;
    const QListWidgetItem *item = m_devices->currentItem();
    return item ? item->data(Qt::UserRole).toString() : QString();
}

void PortDeviceDialog::accept()
{
    const QString device = selectedDevice();
    if (!m_path->text().trimmed().isEmpty()) {
        // A typed path is checked before it is kept; the dialog stays open to mend it.
        const QString problem = m_choice.problemWith(device);
        m_problem->setText(problem);
        m_problem->setVisible(!problem.isEmpty());
        if (!problem.isEmpty()) {
            m_path->setFocus();
            return;
        }
    }
    m_choice.choose(m_portNumber, device);
    QDialog::accept();
}
