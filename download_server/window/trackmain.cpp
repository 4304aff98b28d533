#include "trackmain.h"

#include "common/widgets/activity_list.h"
#include "common/widgets/help_window.h"

#include "elided_path_edit.h"
#include "listening_session.h"
#include "log_line.h"
#include "server_paths.h"

#include "common/help_viewer.h"
#include "common/network/datagram_socket.h"
#include "common/store/fleet_store.h"
#include "common/tick_clock.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>

namespace {
constexpr char noneSelected[] = "None selected !";
constexpr int twipsPerInch = 1440;
} // namespace

TrackMain::TrackMain(TrackMainOptions options, QWidget *parent)
    : QWidget(parent),
      m_ownHelpViewer(
          options.helpViewer ? nullptr : std::make_unique<SystemHelpViewer>(HelpWindow::showText)),
      m_helpViewer(options.helpViewer ? options.helpViewer : m_ownHelpViewer.get()),
      m_clock(
          new TickClock(options.tickIntervalMs, TickClock::Wrap::AboveSixtyBeforeIncrement, this)),
      m_socket(new UdpDatagramSocket(this)),
      m_download(new RemoteDownload(*m_socket, *m_clock, *this, std::move(options.images), this))
{
    m_download->setSessionLimit(options.sessions);
    m_socket->setReusePort(options.reusePort);
    setObjectName(QStringLiteral("trackmain"));
    setWindowTitle(QStringLiteral("Tracking System Remote download V1.3 - 16-5-2005"));
    m_clock->setObjectName(QStringLiteral("Timer1"));
    m_socket->setObjectName(QStringLiteral("sckudp"));
    createControls();
    load();
    if (options.store.isSet()) {
        auto *store = new FleetStore(options.store, this);
        connect(store, &FleetStore::line, this, [this](const QString &line) {
            addActivity(line);
            logLine(line);
        });
        m_download->setStore(store);
        store->start();
    }
}

TrackMain::~TrackMain() = default;

void TrackMain::place(QWidget *widget, int left, int top, int width, int height)
{
    const auto x = [this](int twips) {
        return qRound(twips * logicalDpiX() / double(twipsPerInch));
    };
    const auto y = [this](int twips) {
        return qRound(twips * logicalDpiY() / double(twipsPerInch));
    };
    widget->setGeometry(x(left), y(top), x(width), y(height));
}

void TrackMain::createControls()
{
    // The console's positions are laid out for a small dialog font.
    QFont small = font();
    small.setPointSize(8);
    setFont(small);

    const auto named = [](auto *widget, const char *name) {
        widget->setObjectName(QString::fromLatin1(name));
        return widget;
    };
    m_setPort = named(new QPushButton(QStringLiteral("&Set host/port"), this), "Command4");
    m_portLabel = named(new QLabel(QStringLiteral("Port:"), this), "Label2");
    m_port = named(new QLineEdit(QStringLiteral("6081"), this), "txtport");
    m_updateKindLabel =
        named(new QLabel(QStringLiteral("Select Configuration or GPS Locations Table for update :"),
                         this),
              "Label4");
    m_updateKind = named(new QComboBox(this), "Combo1");
    m_updateKind->addItems({QStringLiteral("Configuration File Update"),
                            QStringLiteral("GPS Locations Table Update!")});
    m_versionsNote = named(new QLabel(QStringLiteral("For V6.XX or V7.XX"), this), "Label6");
    m_choiceDrive = named(new QComboBox(this), "Drive2");
    m_choiceFolders = named(new QListWidget(this), "Dir1");
    m_choiceFiles = named(new QListWidget(this), "File2");
    m_baseDriveLabel = named(
        new QLabel(QStringLiteral("Select Drive for Operating System Update"), this), "Label3");
    m_baseDriveLabel->setWordWrap(true);
    m_configurationLabel = named(
        new QLabel(QStringLiteral("Configuration file selected for update :"), this), "Label7");
    m_baseDrive = named(new QComboBox(this), "Drive1");
    m_baseFolder = named(new ElidedPathEdit(this), "Text1");
    m_configurationFile = named(new QLabel(noneSelected, this), "Label5");
    m_gpsTableLabel =
        named(new QLabel(QStringLiteral("GPS Locations Table file selected for update :"), this),
              "Label8");
    m_gpsTableFile = named(new QLabel(noneSelected, this), "Label9");
    m_configurationFile->setTextFormat(Qt::PlainText);
    m_gpsTableFile->setTextFormat(Qt::PlainText);
    m_operatingSystemFiles = named(new QListWidget(this), "File1");
    // One line high: it shows the file the next operating system transfer sends.
    m_operatingSystemFiles->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_operatingSystemFiles->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_activityLabel = named(new QLabel(QStringLiteral("Activity Log:"), this), "Label1");
    m_activity = named(new ActivityList(activityLimit, this), "List1");
    m_packetProgress = named(new QLabel(this), "packetProgress");
    m_packetProgress->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_transfersLabel =
        named(new QLabel(QStringLiteral("Transfers in progress:"), this), "transfersLabel");
    m_transfers = named(new QTreeWidget(this), "Transfers");
    m_transfers->setHeaderLabels({QStringLiteral("Unit"), QStringLiteral("Address"),
                                  QStringLiteral("Sending"), QStringLiteral("Packet"),
                                  QStringLiteral("Time-outs")});
    m_transfers->header()->setStretchLastSection(false);
    m_transfers->setRootIsDecorated(false);
    m_transfers->setAccessibleName(m_transfersLabel->text());
    m_transfersLabel->setBuddy(m_transfers);
    m_transfersRefresh = new QTimer(this);
    m_transfersRefresh->setInterval(250);
    connect(m_transfersRefresh, &QTimer::timeout, this, &TrackMain::refreshTransfers);
    m_start = named(new QPushButton(QStringLiteral("&Start"), this), "Command1");
    m_stop = named(new QPushButton(QStringLiteral("Stop"), this), "Command2");
    m_help = named(new QPushButton(QStringLiteral("Help"), this), "Command3");
    m_exit = named(new QPushButton(QStringLiteral("EXIT"), this), "Command6");

    place(m_setPort, 480, 360, 1335, 375);
    place(m_portLabel, 480, 960, 495, 255);
    place(m_port, 480, 1200, 2055, 285);
    place(m_updateKindLabel, 3120, 240, 5775, 255);
    place(m_updateKind, 3120, 600, 4335, 315);
    place(m_versionsNote, 7560, 600, 2295, 255);
    place(m_choiceDrive, 3120, 960, 855, 315);
    place(m_choiceFolders, 3120, 1320, 3135, 1215);
    place(m_choiceFiles, 6360, 1320, 3495, 1260);
    place(m_baseDriveLabel, 360, 2280, 2295, 495);
    place(m_configurationLabel, 3120, 2640, 3255, 255);
    place(m_baseDrive, 1320, 2880, 1095, 315);
    place(m_baseFolder, 360, 2880, 855, 315);
    place(m_configurationFile, 3120, 2880, 6735, 255);
    place(m_gpsTableLabel, 3120, 3120, 4095, 255);
    place(m_gpsTableFile, 3120, 3360, 6735, 255);
    // Between Drive1 and "Activity Log:", clear of both.
    place(m_operatingSystemFiles, 1440, 3240, 1335, 285);
    place(m_activityLabel, 120, 3600, 1095, 255);
    place(m_activity, 120, 3840, 9855, 2985);
    // Right above the activity list's right end, below Label9.
    place(m_packetProgress, 6360, 3615, 3615, 225);
    // Right of the activity list: a column of its own.
    place(m_transfersLabel, 10095, 3600, 4215, 255);
    place(m_transfers, 10095, 3840, 4215, 2985);
    place(m_start, 360, 6960, 1695, 375);
    place(m_stop, 2400, 6960, 1695, 375);
    place(m_help, 5160, 6960, 1575, 375);
    place(m_exit, 8160, 6960, 1575, 375);
    // A lone transfer keeps the console as it was; several get their view beside List1.
    const bool severalUnits = m_download->sessionLimit() > 1;
    m_transfersLabel->setVisible(severalUnits);
    m_transfers->setVisible(severalUnits);
    // Each column as wide as what it shows; measured only where the view is shown.
    if (severalUnits)
        m_transfers->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    const int clientWidth =
        qRound((severalUnits ? 14430 : 10125) * logicalDpiX() / double(twipsPerInch));
    const int clientHeight = qRound(7485 * logicalDpiY() / double(twipsPerInch));
    setFixedSize(clientWidth, clientHeight);

    // Where there are no drive letters the lists hold base folders, and any folder may be typed;
    // a long one is shown elided in the middle.
    const QStringList drives = driveFolders();
    for (QComboBox *drive : {m_baseDrive, m_choiceDrive}) {
        drive->addItems(drives);
        for (int i = 0; i < drive->count(); ++i)
            drive->setItemData(i, drive->itemText(i), Qt::ToolTipRole);
#if !defined(Q_OS_WIN)
        // Editable through its own line edit (setEditable() would first make a plain one).
        drive->setLineEdit(new ElidedPathEdit(drive));
        drive->setInsertPolicy(QComboBox::NoInsert);
#endif
    }

    // Names for screen readers and automation: the caption above a control, or what it is.
    m_portLabel->setBuddy(m_port);
    m_updateKindLabel->setBuddy(m_updateKind);
    m_baseDriveLabel->setBuddy(m_baseDrive);
    m_choiceDrive->setAccessibleName(QStringLiteral("Drive or folder of the file choice"));
    m_choiceFolders->setAccessibleName(QStringLiteral("Folders of the file choice"));
    m_choiceFiles->setAccessibleName(QStringLiteral("Files of the file choice"));
    m_baseFolder->setAccessibleName(QStringLiteral("Operating system base folder"));
    m_operatingSystemFiles->setAccessibleName(QStringLiteral("Operating system file sent next"));

    // Folder paths are longer than their boxes: the whole path shows as a tooltip.
    connect(m_baseDrive, &QComboBox::currentTextChanged, m_baseDrive, &QWidget::setToolTip);
    connect(m_choiceDrive, &QComboBox::currentTextChanged, m_choiceDrive, &QWidget::setToolTip);
    m_baseDrive->setToolTip(m_baseDrive->currentText());
    m_choiceDrive->setToolTip(m_choiceDrive->currentText());

    connect(m_download, &RemoteDownload::listeningEnded, this, &TrackMain::listeningEnded);
    connect(&m_download->settings(), &ServerSettings::changed, this, &TrackMain::showServed);
    connect(m_setPort, &QPushButton::clicked, this, &TrackMain::setHostPortClicked);
    connect(m_start, &QPushButton::clicked, this, &TrackMain::startClicked);
    connect(m_stop, &QPushButton::clicked, this, &TrackMain::stopClicked);
    connect(m_help, &QPushButton::clicked, this, &TrackMain::helpClicked);
    connect(m_exit, &QPushButton::clicked, this, &TrackMain::exitClicked);
    connect(m_baseDrive, &QComboBox::currentTextChanged, this, &TrackMain::baseDriveChanged);
    connect(m_choiceDrive, &QComboBox::currentTextChanged, this, &TrackMain::choiceDriveChanged);
    connect(m_choiceFolders, &QListWidget::itemActivated, this, [this](QListWidgetItem *item) {
        showChoiceFolder(QDir::cleanPath(QDir(m_choiceFolder).filePath(item->text())));
    });
    connect(m_choiceFiles, &QListWidget::itemClicked, this,
            [this](QListWidgetItem *item) { choiceFileClicked(item->text()); });
}

QStringList TrackMain::driveFolders()
{
    QStringList folders;
#if defined(Q_OS_WIN)
    for (const QFileInfo &drive : QDir::drives())
        folders << QDir::toNativeSeparators(drive.absolutePath()).chopped(1); // "C:"
    // The current drive first, as the drive lists start on it.
    const QString current = QDir::currentPath().left(2);
    const int index = folders.indexOf(current, 0);
    if (index > 0)
        folders.move(index, 0);
#else
    folders << QDir::toNativeSeparators(QDir::currentPath());
    for (const QString &folder : {QDir::homePath(), QDir::rootPath()}) {
        const QString native = QDir::toNativeSeparators(folder);
        if (!folders.contains(native))
            folders << native;
    }
#endif
    return folders;
}

void TrackMain::load()
{
    m_stop->setEnabled(false);
    m_socket->close();
    m_download->settings().setOperatingSystemBase(m_baseDrive->currentText().trimmed());
    m_baseFolder->setText(m_baseDrive->currentText());
    showServed();
    showOperatingSystemFolder(m_baseDrive->currentText());
    showChoiceFolder(m_choiceDrive->currentText());
    m_clock->setTickCount(0);
    m_updateKind->setCurrentIndex(0);
    logLine(QStringLiteral(" Remote download started."));
}

std::optional<quint16> TrackMain::portNumber(const QString &text)
{
    return ListeningSession::portNumber(text);
}

void TrackMain::setHostPortClicked()
{
    if (const std::optional<quint16> port = ListeningSession::selectPort(m_port->text(), *this))
        m_socket->setLocalPort(*port);
}

void TrackMain::setListeningButtons(bool listening)
{
    m_start->setEnabled(!listening);
    m_stop->setEnabled(listening);
}

void TrackMain::startClicked()
{
    // Start right after Stop, while the last transfer still runs: listening simply goes on.
    if (m_download->isListening()) {
        m_download->resume();
        setListeningButtons(true);
        return;
    }
    // Without "&Set host/port" the socket listens on the port that txtport shows, so the
    // "Started" line is true.
    if (!m_socket->hasLocalPort()) {
        if (const std::optional<quint16> port = portNumber(m_port->text()))
            m_socket->setLocalPort(*port);
    }
    if (!m_download->startListening(m_port->text()))
        return;
    setListeningButtons(true);
    if (m_transfers->isVisibleTo(this))
        m_transfersRefresh->start();
}

void TrackMain::listeningEnded()
{
    m_transfersRefresh->stop();
    refreshTransfers();
}

void TrackMain::stopClicked()
{
    setListeningButtons(false);
    m_download->stop();
}

void TrackMain::helpClicked()
{
    m_helpViewer->open(QStringLiteral("download.txt"));
}

void TrackMain::exitClicked()
{
    close();
}

void TrackMain::closeEvent(QCloseEvent *event)
{
    // The transfers in progress end with the window.
    m_download->end();
    event->accept();
}

void TrackMain::baseDriveChanged(const QString &drive)
{
    m_download->settings().setOperatingSystemBase(drive.trimmed());
    m_baseFolder->setText(ServerPaths::joinPath(drive, QString()));
    showOperatingSystemFolder(drive);
}

void TrackMain::choiceDriveChanged(const QString &drive)
{
    showChoiceFolder(drive);
}

void TrackMain::showChoiceFolder(const QString &folder)
{
    QDir dir(folder.isEmpty() ? QDir::currentPath() : folder);
    if (!dir.exists())
        return;
    m_choiceFolder = dir.absolutePath();
    m_choiceFolders->setProperty("path", QDir::toNativeSeparators(m_choiceFolder));
    m_choiceFolders->setToolTip(QDir::toNativeSeparators(m_choiceFolder));
    m_choiceFolders->clear();
    if (!dir.isRoot())
        m_choiceFolders->addItem(QStringLiteral(".."));
    m_choiceFolders->addItems(
        dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase));
    // Dir1 changed: File2 follows.
    m_choiceFiles->clear();
    m_choiceFiles->addItems(ServerPaths::visibleFiles(m_choiceFolder));
}

void TrackMain::choiceFileClicked(const QString &name)
{
    const QString path = ServerPaths::joinPath(m_choiceFolder, name);
    if (m_updateKind->currentIndex() == 0)
        m_download->settings().setConfigurationFile(path);
    else
        m_download->settings().setGpsTableFile(path);
}

void TrackMain::showServed()
{
    const ServerSettings &served = m_download->settings();
    const auto show = [](QLabel *label, const QString &path) {
        label->setText(path.isEmpty() ? QString::fromLatin1(noneSelected) : path);
    };
    show(m_configurationFile, served.configurationFile());
    show(m_gpsTableFile, served.gpsTableFile());
}

void TrackMain::addActivity(const QString &line)
{
    m_activity->addLine(line);
}

void TrackMain::logLine(const QString &text)
{
    LogLine::append(text);
}

void TrackMain::showOperatingSystemFolder(const QString &folder)
{
    m_operatingSystemFiles->clear();
    m_operatingSystemFiles->addItems(ServerPaths::visibleFiles(folder));
}

void TrackMain::showPacketProgress(int number, int count)
{
    m_packetProgress->setText(QStringLiteral("Packet %1 of %2").arg(number).arg(count));
}

void TrackMain::refreshTransfers()
{
    const TransferCounts counts = m_download->counts();
    const QList<TransferInProgress> shown = m_download->transfersInProgress(transferRowLimit);
    const qsizetype rows = shown.size() + (counts.running > shown.size() ? 1 : 0);
    while (m_transfers->topLevelItemCount() > rows)
        delete m_transfers->takeTopLevelItem(m_transfers->topLevelItemCount() - 1);
    while (m_transfers->topLevelItemCount() < rows)
        m_transfers->addTopLevelItem(new QTreeWidgetItem(m_transfers));
    for (qsizetype i = 0; i < shown.size(); ++i) {
        const TransferInProgress &transfer = shown[i];
        QTreeWidgetItem *item = m_transfers->topLevelItem(int(i));
        item->setText(0, transfer.identifier);
        item->setText(1, transfer.unit);
        item->setText(2, transfer.what);
        item->setText(3, QStringLiteral("%1 of %2").arg(transfer.packet).arg(transfer.packetCount));
        item->setText(4, QString::number(transfer.timeouts));
    }
    if (rows > shown.size()) {
        QTreeWidgetItem *more = m_transfers->topLevelItem(int(shown.size()));
        more->setText(0, QStringLiteral("and %1 more").arg(counts.running - shown.size()));
        for (int column = 1; column < m_transfers->columnCount(); ++column)
            more->setText(column, QString());
    }
}

void TrackMain::clearPacketProgress()
{
    m_packetProgress->clear();
}
