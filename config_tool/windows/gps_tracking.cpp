#include "gps_tracking.h"

#include "caption_button.h"
#include "common/help_viewer.h"
#include "link/operation.h"
#include "link/port_device_choice.h"
#include "windows/port_device_dialog.h"
#include "windows/setup1.h"
#include "windows/setup2.h"
#include "windows/setup3.h"

#include <QCloseEvent>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QResource>
#include <QTimer>

#include <cctype>
#include <cstring>

// The resources are built into a static library: register them before their first use.
static void initMenuResources()
{
    Q_INIT_RESOURCE(resources);
}

namespace {
const QColor lightBlue(166, 202, 240);
const QColor yellow(255, 255, 128);
const QColor green(128, 255, 128);
const QColor lightOrange(255, 192, 128);
const QColor red(255, 0, 0);

constexpr int buttonWidth = 3735;
constexpr int buttonHeight = 495;
// A transfer moves hundreds of characters a second; the bar follows a few times a second.
constexpr int progressIntervalMs = 100;

// A binary PPM as Qt writes one: "P6", width, height and the largest value (255), each after
// white space, then one white space character and the RGB rows. Null when it is not one.
QPixmap pixmapFromPpm(QByteArrayView ppm)
{
    QList<QByteArrayView> header;
    qsizetype at = 0;
    while (header.size() < 4 && at < ppm.size()) {
        while (at < ppm.size() && std::isspace(static_cast<unsigned char>(ppm.at(at))))
            ++at;
        const qsizetype start = at;
        while (at < ppm.size() && !std::isspace(static_cast<unsigned char>(ppm.at(at))))
            ++at;
        header.append(ppm.sliced(start, at - start));
    }
    bool widthRead = false;
    bool heightRead = false;
    const int width = header.size() == 4 ? header.at(1).toInt(&widthRead) : 0;
    const int height = header.size() == 4 ? header.at(2).toInt(&heightRead) : 0;
    const qsizetype rowBytes = qsizetype(width) * 3;
    const qsizetype pixelsAt = at + 1;
    const qsizetype pixelBytes = ppm.size() - pixelsAt;
    if (!widthRead || !heightRead || header.at(0) != "P6" || header.at(3) != "255" || width <= 0 ||
        height <= 0 || pixelBytes % rowBytes != 0 || pixelBytes / rowBytes != height)
        return {};
    QImage image(width, height, QImage::Format_RGB888);
    for (int y = 0; y < height; ++y)
        std::memcpy(image.scanLine(y), ppm.data() + pixelsAt + y * rowBytes, rowBytes);
    return QPixmap::fromImage(std::move(image));
}

// The picture of the menu (600 x 204): a van carrying the tracking unit, drawn by
// scripts/pictures/draw_menu_picture.cpp. It is kept as a binary PPM stored uncompressed, so
// showing it decodes nothing and loads no image plug-in: its rows are copied as they are,
// straight from the program's own data.
QPixmap menuPicture()
{
    initMenuResources();
    const QResource resource(QStringLiteral(":/vortsetup/picture1.ppm"));
    if (resource.compressionAlgorithm() == QResource::NoCompression)
        return pixmapFromPpm(
            QByteArrayView(reinterpret_cast<const char *>(resource.data()), resource.size()));
    return pixmapFromPpm(resource.uncompressedData());
}

void setColour(QWidget *widget, const QColor &colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Button, colour);
    widget->setPalette(palette);
}
} // namespace

GPStracking::GPStracking(const Services &services, QWidget *parent)
    : QWidget(parent), m_services(services), m_session(*services.port, services.tickMs)
{
    setObjectName(QStringLiteral("GPStracking"));
    setWindowTitle(QStringLiteral("GPS Tracking configuration menu (V1.7 - VORT VOICE)-21-6-2005"));

    createControls();
    connect(&m_session, &UnitSession::statusChanged, this, &GPStracking::setStatusVisible);
    connect(&m_session, &UnitSession::statusTextChanged, this, &GPStracking::setStatusText);
    connect(&m_session, &UnitSession::progressChanged, this, &GPStracking::setProgress);
    connect(&m_session, &UnitSession::progressEnded, this, &GPStracking::hideProgress);
    connect(&m_session, &UnitSession::finished, this, &GPStracking::operationFinished);
    formLoad();
    // The COM entry chosen in an earlier run, as its device is.
    if (m_services.devices && m_services.devices->lastEntry() > 1)
        choosePort(m_services.devices->lastEntry() - 1);
}

GPStracking::~GPStracking() = default;

// A screen is a modal dialog, hidden until opened from the menu; it lives as long as the menu.
void GPStracking::prepareScreen(QDialog *screen)
{
    screen->setModal(true);
    screen->hide();
    connect(screen, &QDialog::finished, this, [this] { unsetCursor(); });
}

Setup1 *GPStracking::setup1()
{
    if (!m_configurationScreen) {
        m_configurationScreen = new Setup1(m_services.help, this);
        m_configurationScreen->setMessageBoxes(m_services.messages);
        m_configurationScreen->setModel(&m_session.configuration());
        prepareScreen(m_configurationScreen);
    }
    return m_configurationScreen;
}

Setup2 *GPStracking::setup2()
{
    if (!m_tableScreen) {
        m_tableScreen = new Setup2(this, m_services.messages, m_services.help);
        m_tableScreen->setModel(&m_session.table());
        prepareScreen(m_tableScreen);
    }
    return m_tableScreen;
}

Setup3 *GPStracking::setup3()
{
    if (!m_voiceScreen) {
        m_voiceScreen = new Setup3(this);
        m_voiceScreen->setModel(&m_session.configuration());
        prepareScreen(m_voiceScreen);
    }
    return m_voiceScreen;
}

int GPStracking::twipsToPixels(int twips, int dpi)
{
    return (twips * dpi + 720) / 1440;
}

QRect GPStracking::twips(int left, int top, int width, int height) const
{
    const int x = logicalDpiX();
    const int y = logicalDpiY();
    return QRect(twipsToPixels(left, x), twipsToPixels(top, y), twipsToPixels(width, x),
                 twipsToPixels(height, y));
}

QPushButton *GPStracking::menuButton(const char *name, const char *caption, int left, int top,
                                     const QColor &colour)
{
    auto *button = new CaptionButton(QString::fromLatin1(caption), this);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(twips(left, top, buttonWidth, buttonHeight));
    if (colour.isValid())
        setColour(button, colour);
    return button;
}

void GPStracking::createControls()
{
    const QRect client = twips(0, 0, 9330, 6750);
    setFixedSize(client.size());

    auto *heading =
        new QLabel(QStringLiteral("GPS tracking system configuration main menu :"), this);
    heading->setObjectName(QStringLiteral("Label1"));
    QFont headingFont = heading->font();
    headingFont.setPointSize(14);
    headingFont.setBold(true);
    heading->setFont(headingFont);
    heading->move(twips(360, 0, 0, 0).topLeft());
    heading->adjustSize();

    auto *picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("Picture1"));
    picture->setPixmap(menuPicture());
    // Unscaled, as the form keeps it: the box shows the middle of the picture.
    picture->setAlignment(Qt::AlignCenter);
    picture->setFrameShape(QFrame::Box);
    picture->setGeometry(twips(120, 480, 9015, 2175));

    m_portLabel = new QLabel(QStringLiteral("COM1 Selected"), this);
    m_portLabel->setObjectName(QStringLiteral("Label2"));
    m_portLabel->move(twips(240, 2760, 0, 0).topLeft());
    m_portLabel->setMinimumWidth(twipsToPixels(2000, logicalDpiX()));
    m_portLabel->adjustSize();

    auto *countCaption = new QLabel(QStringLiteral("Locations Downloaded :"), this);
    countCaption->setObjectName(QStringLiteral("Label4"));
    countCaption->move(twips(5400, 2760, 0, 0).topLeft());
    countCaption->adjustSize();
    countCaption->hide();
    auto *count = new QLabel(QStringLiteral("0"), this);
    count->setObjectName(QStringLiteral("Label3"));
    count->move(twips(7680, 2760, 0, 0).topLeft());
    count->setMinimumWidth(twipsToPixels(1200, logicalDpiX()));
    count->adjustSize();
    count->hide();
    m_statusItems[StatusItem::PositionCountCaption] = countCaption;
    m_statusItems[StatusItem::PositionCount] = count;

    QPushButton *setupScreen =
        menuButton("Command6", "View/ Setup/ Select Configuration", 240, 3120, lightBlue);
    QPushButton *download = menuButton("Command1", "Download Configuration to GPS TRACKING system",
                                       5400, 3120, lightBlue);
    QPushButton *tableScreen =
        menuButton("Command12", "View/ Setup/Select GPS Location Table", 240, 3720, yellow);
    QPushButton *upload = menuButton("Command7", "Upload Configuration from GPS TRACKING system",
                                     5400, 3720, lightBlue);
    QPushButton *voiceScreen =
        menuButton("Command17", "View/ Setup/ Select VOICE/ ADC Configuration", 240, 4320, green);
    QPushButton *locations = menuButton(
        "Command10", "Upload GPS locations from GPS TRACKING system", 5400, 4320, lightOrange);
    QPushButton *selectPort = menuButton("Command4", "Select COM port", 240, 4920, QColor());
    QPushButton *tableDownload = menuButton(
        "Command14", "Download GPS Locations Table to GPS TRACKING system", 5400, 4920, yellow);
    QPushButton *help = menuButton("Command2", "Help information", 240, 5520, QColor());
    QPushButton *tableUpload = menuButton(
        "Command13", "Upload GPS Locations Table from GPS TRACKING system", 5400, 5520, yellow);
    QPushButton *exitButton = menuButton("Command3", "EXIT", 240, 6120, red);
    exitButton->setGeometry(twips(240, 6120, 8895, buttonHeight));
    QFont exitFont = exitButton->font();
    exitFont.setBold(true);
    exitButton->setFont(exitFont);

    m_portList = new QListWidget(this);
    m_portList->setObjectName(QStringLiteral("List2"));
    m_portList->setAccessibleName(QStringLiteral("COM port"));
    for (int k = 1; k <= 12; ++k)
        new QListWidgetItem(QStringLiteral("COM%1").arg(k), m_portList);
    showPortDevices();
    m_portList->setGeometry(twips(4080, 4920, 1095, 840));
    m_portList->hide();
    if (m_services.devices) {
        // Beside the chosen port: which device stands behind it.
        auto *device = new QPushButton(QStringLiteral("Serial device..."), this);
        device->setObjectName(QStringLiteral("portDeviceButton"));
        device->setToolTip(QStringLiteral("Attach the chosen COM entry to a serial device"));
        device->setGeometry(twips(2400, 2700, 2760, 390));
        connect(device, &QPushButton::clicked, this, &GPStracking::chooseDevice);
    }

    const struct
    {
        StatusItem item;
        const char *name;
        const char *caption;
    } statusButtons[] = {
        {StatusItem::Connecting, "Command5", "Trying to Connect - Click this button to EXIT !"},
        {StatusItem::UploadingConfiguration, "Command8",
         "Connected - Uploading Configuration Data Please Wait !"},
        {StatusItem::DownloadingConfiguration, "Command9",
         "Connected - Downloading Configuration Data Please Wait !"},
        {StatusItem::UploadingPositions, "Command11",
         "Connected - Uploading GPS Locations Please Wait !"},
        {StatusItem::DownloadingTable, "Command15",
         "Connected - Downloading Camera GPS Locations  Please Wait !"},
        {StatusItem::UploadingTable, "Command16",
         "Connected - Uploading Camera GPS Locations Please Wait !"},
    };
    for (const auto &status : statusButtons) {
        auto *button = new CaptionButton(QString::fromLatin1(status.caption), this);
        button->setObjectName(QString::fromLatin1(status.name));
        button->setGeometry(twips(2400, 720, 4935, 1695));
        QFont font = button->font();
        font.setPointSize(font.pointSize() + 2);
        font.setBold(true);
        button->setFont(font);
        button->hide();
        m_statusItems[status.item] = button;
    }

    // Between the status buttons' rectangle and the bottom of the picture.
    m_progressBar = new QProgressBar(this);
    m_progressBar->setObjectName(QStringLiteral("progressBar"));
    m_progressBar->setGeometry(twips(2400, 2430, 4935, 210));
    m_progressBar->setFormat(QStringLiteral("%v of %m"));
    m_progressBar->setAlignment(Qt::AlignCenter);
    QFont progressFont = m_progressBar->font();
    progressFont.setPointSize(7);
    m_progressBar->setFont(progressFont);
    m_progressBar->hide();
    m_progressFlush = new QTimer(this);
    m_progressFlush->setSingleShot(true);
    m_progressFlush->setInterval(progressIntervalMs);
    connect(m_progressFlush, &QTimer::timeout, this, &GPStracking::showPendingProgress);

    m_menuButtons = {setupScreen, tableScreen, voiceScreen,   download,
                     upload,      locations,   tableDownload, tableUpload};

    connect(setupScreen, &QPushButton::clicked, this, [this] { openScreen(setup1()); });
    connect(tableScreen, &QPushButton::clicked, this, [this] { openScreen(setup2()); });
    connect(voiceScreen, &QPushButton::clicked, this, [this] { openScreen(setup3()); });
    connect(upload, &QPushButton::clicked, this,
            [this] { startOperation(Operation::uploadConfiguration); });
    connect(download, &QPushButton::clicked, this,
            [this] { startOperation(Operation::downloadConfiguration); });
    connect(locations, &QPushButton::clicked, this,
            [this] { startOperation(Operation::uploadLocations); });
    connect(tableUpload, &QPushButton::clicked, this,
            [this] { startOperation(Operation::uploadLocationTable); });
    connect(tableDownload, &QPushButton::clicked, this,
            [this] { startOperation(Operation::downloadLocationTable); });
    connect(selectPort, &QPushButton::clicked, this, &GPStracking::showPortList);
    connect(m_portList, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem *item) { choosePort(m_portList->row(item)); });
    connect(help, &QPushButton::clicked, this, [this] {
        if (m_services.help)
            m_services.help->open(QStringLiteral("info.txt"));
    });
    connect(exitButton, &QPushButton::clicked, this, &GPStracking::exitProgram);

    auto *connecting = static_cast<QPushButton *>(m_statusItems[StatusItem::Connecting]);
    connect(connecting, &QPushButton::clicked, this, [this, connecting] {
        m_session.requestAbort();
        connecting->hide();
    });
    auto *uploadingLocations =
        static_cast<QPushButton *>(m_statusItems[StatusItem::UploadingPositions]);
    connect(uploadingLocations, &QPushButton::clicked, this, [this] { m_session.requestAbort(); });
}

void GPStracking::formLoad()
{
    // The session starts with the starting values of the screens: a fresh configuration and
    // table.
    m_session.clock().setTickCount(0);
}

int GPStracking::portIndex() const
{
    return m_session.portIndex();
}

int GPStracking::operationCode() const
{
    return m_session.engine().context().operationCode;
}

bool GPStracking::isRunning() const
{
    return m_session.isRunning();
}

void GPStracking::startOperation(int code)
{
    if (m_session.isRunning() || m_exiting)
        return;
    setMenuEnabled(false);
    m_session.start(code);
}

void GPStracking::operationFinished(const OperationOutcome &outcome)
{
    hideProgress(); // also after a run ended by EXIT
    if (outcome.message)
        m_services.messages->show(*outcome.message);
    setMenuEnabled(true);
}

void GPStracking::setMenuEnabled(bool enabled)
{
    for (QPushButton *button : m_menuButtons)
        button->setEnabled(enabled);
}

void GPStracking::setStatusVisible(StatusItem item, bool visible)
{
    if (QWidget *widget = m_statusItems[item]) {
        widget->setVisible(visible);
        if (visible)
            widget->raise();
    }
}

void GPStracking::setStatusText(StatusItem item, const QString &text)
{
    if (auto *label = qobject_cast<QLabel *>(m_statusItems[item]))
        label->setText(text);
    else if (auto *button = qobject_cast<QPushButton *>(m_statusItems[item]))
        button->setText(text);
}

void GPStracking::setProgress(int value, int maximum)
{
    m_progressValue = value;
    m_progressMaximum = maximum;
    // The first value, a new total and the last value show at once; the rest at the bar's pace
    // (a busy bar moves on its own).
    const bool first = m_progressBar->isHidden() || m_progressBar->maximum() != maximum;
    const bool last = maximum > 0 && value >= maximum;
    const bool due =
        maximum > 0 && m_progressShown.isValid() && m_progressShown.elapsed() >= progressIntervalMs;
    if (first || last || due)
        showPendingProgress();
    else if (maximum > 0 && !m_progressFlush->isActive())
        m_progressFlush->start();
}

void GPStracking::showPendingProgress()
{
    m_progressFlush->stop();
    m_progressShown.start();
    m_progressBar->setRange(0, m_progressMaximum);
    m_progressBar->setValue(m_progressValue);
    if (m_progressBar->isHidden()) {
        m_progressBar->show();
        m_progressBar->raise();
    }
}

void GPStracking::hideProgress()
{
    m_progressFlush->stop();
    m_progressBar->hide();
    m_progressBar->reset();
}

void GPStracking::showPortDevices()
{
    // Adapters come and go: the tooltips are made again each time the list is shown.
    for (int k = 1; k <= m_portList->count(); ++k)
        m_portList->item(k - 1)->setToolTip(m_services.devices ? m_services.devices->toolTip(k)
                                                               : m_services.port->deviceName(k));
}

void GPStracking::chooseDevice()
{
    if (m_session.isRunning())
        return;
    // Shown modally without waiting for it: the list's tooltips follow once it closes.
    auto *dialog = new PortDeviceDialog(*m_services.devices, portIndex() + 1, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::finished, this, &GPStracking::showPortDevices);
    dialog->open();
}

void GPStracking::showPortList()
{
    showPortDevices();
    m_portList->setCurrentRow(portIndex());
    m_portList->show();
    m_portList->raise();
    m_portList->setFocus();
}

void GPStracking::choosePort(int index)
{
    if (index < 0)
        return;
    const QString entry = m_portList->item(index)->text();
    m_portList->hide();
    m_portLabel->setText(entry + QStringLiteral(" Selected"));
    m_portLabel->adjustSize();
    m_session.setPortIndex(index);
    if (m_services.devices)
        m_services.devices->keepLastEntry(index + 1);
}

void GPStracking::openScreen(QDialog *screen)
{
    if (m_session.isRunning())
        return;
    // Modal, but returns at once; closing it ends in the finished() slot set up with the screen.
    screen->show();
    screen->raise();
    screen->activateWindow();
}

void GPStracking::exitProgram()
{
    close();
}

void GPStracking::closeEvent(QCloseEvent *event)
{
    // EXIT or the window frame during a run ends the run at once: port closed, no box.
    m_exiting = true;
    if (m_session.isRunning())
        m_session.requestExit();
    if (m_services.port->isOpen())
        m_services.port->close();
    for (QDialog *screen :
         {static_cast<QDialog *>(m_tableScreen), static_cast<QDialog *>(m_configurationScreen),
          static_cast<QDialog *>(m_voiceScreen)}) {
        if (screen)
            screen->hide();
    }
    m_portList->hide();
    event->accept();
}
