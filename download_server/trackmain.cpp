#include "trackmain.h"

#include "common/widgets/activity_list.h"
#include "common/widgets/help_window.h"

#include "listening_session.h"
#include "log_line.h"
#include "server_paths.h"

#include "common/datagram_socket.h"
#include "common/help_viewer.h"
#include "common/store/fleet_store.h"
#include "common/tick_clock.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
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
    m_command4 = named(new QPushButton(QStringLiteral("&Set host/port"), this), "Command4");
    m_label2 = named(new QLabel(QStringLiteral("Port:"), this), "Label2");
    m_txtport = named(new QLineEdit(QStringLiteral("6081"), this), "txtport");
    m_label4 =
        named(new QLabel(QStringLiteral("Select Configuration or GPS Locations Table for update :"),
                         this),
              "Label4");
    m_combo1 = named(new QComboBox(this), "Combo1");
    m_combo1->addItems({QStringLiteral("Configuration File Update"),
                        QStringLiteral("GPS Locations Table Update!")});
    m_label6 = named(new QLabel(QStringLiteral("For V6.XX or V7.XX"), this), "Label6");
    m_drive2 = named(new QComboBox(this), "Drive2");
    m_dir1 = named(new QListWidget(this), "Dir1");
    m_file2 = named(new QListWidget(this), "File2");
    m_label3 = named(new QLabel(QStringLiteral("Select Drive for Operating System Update"), this),
                     "Label3");
    m_label3->setWordWrap(true);
    m_label7 = named(new QLabel(QStringLiteral("Configuration file selected for update :"), this),
                     "Label7");
    m_drive1 = named(new QComboBox(this), "Drive1");
    m_text1 = named(new QLineEdit(this), "Text1");
    m_label5 = named(new QLabel(noneSelected, this), "Label5");
    m_label8 =
        named(new QLabel(QStringLiteral("GPS Locations Table file selected for update :"), this),
              "Label8");
    m_label9 = named(new QLabel(noneSelected, this), "Label9");
    m_label5->setTextFormat(Qt::PlainText);
    m_label9->setTextFormat(Qt::PlainText);
    m_file1 = named(new QListWidget(this), "File1");
    // One line high: it shows the file the next operating system transfer sends.
    m_file1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_file1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_label1 = named(new QLabel(QStringLiteral("Activity Log:"), this), "Label1");
    m_list1 = named(new ActivityList(activityLimit, this), "List1");
    m_packetProgress = named(new QLabel(this), "packetProgress");
    m_packetProgress->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_transfersLabel =
        named(new QLabel(QStringLiteral("Transfers in progress:"), this), "transfersLabel");
    m_transfers = named(new QTreeWidget(this), "Transfers");
    m_transfers->setHeaderLabels({QStringLiteral("Unit"), QStringLiteral("Sending"),
                                  QStringLiteral("Packet"), QStringLiteral("Time-outs")});
    m_transfers->setRootIsDecorated(false);
    m_transfers->setAccessibleName(m_transfersLabel->text());
    m_transfersLabel->setBuddy(m_transfers);
    m_transfersRefresh = new QTimer(this);
    m_transfersRefresh->setInterval(250);
    connect(m_transfersRefresh, &QTimer::timeout, this, &TrackMain::refreshTransfers);
    m_command1 = named(new QPushButton(QStringLiteral("&Start"), this), "Command1");
    m_command2 = named(new QPushButton(QStringLiteral("Stop"), this), "Command2");
    m_command3 = named(new QPushButton(QStringLiteral("Help"), this), "Command3");
    m_command6 = named(new QPushButton(QStringLiteral("EXIT"), this), "Command6");

    place(m_command4, 480, 360, 1335, 375);
    place(m_label2, 480, 960, 495, 255);
    place(m_txtport, 480, 1200, 2055, 285);
    place(m_label4, 3120, 240, 5775, 255);
    place(m_combo1, 3120, 600, 4335, 315);
    place(m_label6, 7560, 600, 2295, 255);
    place(m_drive2, 3120, 960, 855, 315);
    place(m_dir1, 3120, 1320, 3135, 1215);
    place(m_file2, 6360, 1320, 3495, 1260);
    place(m_label3, 360, 2280, 2295, 495);
    place(m_label7, 3120, 2640, 3255, 255);
    place(m_drive1, 1320, 2880, 1095, 315);
    place(m_text1, 360, 2880, 855, 315);
    place(m_label5, 3120, 2880, 6735, 255);
    place(m_label8, 3120, 3120, 4095, 255);
    place(m_label9, 3120, 3360, 6735, 255);
    place(m_file1, 1440, 3480, 1335, 285);
    place(m_label1, 120, 3600, 1095, 255);
    place(m_list1, 120, 3840, 9855, 2985);
    // Right above the activity list's right end, below Label9.
    place(m_packetProgress, 6360, 3615, 3615, 225);
    // Right of the activity list: a column of its own.
    place(m_transfersLabel, 10095, 3600, 4215, 255);
    place(m_transfers, 10095, 3840, 4215, 2985);
    place(m_command1, 360, 6960, 1695, 375);
    place(m_command2, 2400, 6960, 1695, 375);
    place(m_command3, 5160, 6960, 1575, 375);
    place(m_command6, 8160, 6960, 1575, 375);
    // A lone transfer keeps the console as it was; several get their view beside List1.
    const bool severalUnits = m_download->sessionLimit() > 1;
    m_transfersLabel->setVisible(severalUnits);
    m_transfers->setVisible(severalUnits);
    const int clientWidth =
        qRound((severalUnits ? 14430 : 10125) * logicalDpiX() / double(twipsPerInch));
    const int clientHeight = qRound(7485 * logicalDpiY() / double(twipsPerInch));
    setFixedSize(clientWidth, clientHeight);

    // Where there are no drive letters the lists hold base folders, and any folder may be typed.
    const QStringList drives = driveFolders();
    for (QComboBox *drive : {m_drive1, m_drive2}) {
        drive->addItems(drives);
#if !defined(Q_OS_WIN)
        drive->setEditable(true);
        drive->setInsertPolicy(QComboBox::NoInsert);
#endif
    }

    // Names for screen readers and automation: the caption above a control, or what it is.
    m_label2->setBuddy(m_txtport);
    m_label4->setBuddy(m_combo1);
    m_label3->setBuddy(m_drive1);
    m_drive2->setAccessibleName(QStringLiteral("Drive or folder of the file choice"));
    m_dir1->setAccessibleName(QStringLiteral("Folders of the file choice"));
    m_file2->setAccessibleName(QStringLiteral("Files of the file choice"));
    m_text1->setAccessibleName(QStringLiteral("Operating system base folder"));
    m_file1->setAccessibleName(QStringLiteral("Operating system file sent next"));

    // Folder paths are longer than their boxes: the whole path shows as a tooltip.
    connect(m_text1, &QLineEdit::textChanged, m_text1, &QWidget::setToolTip);
    connect(m_drive1, &QComboBox::currentTextChanged, m_drive1, &QWidget::setToolTip);
    connect(m_drive2, &QComboBox::currentTextChanged, m_drive2, &QWidget::setToolTip);
    m_drive1->setToolTip(m_drive1->currentText());
    m_drive2->setToolTip(m_drive2->currentText());

    connect(m_command4, &QPushButton::clicked, this, &TrackMain::setHostPortClicked);
    connect(m_command1, &QPushButton::clicked, this, &TrackMain::startClicked);
    connect(m_command2, &QPushButton::clicked, this, &TrackMain::stopClicked);
    connect(m_command3, &QPushButton::clicked, this, &TrackMain::helpClicked);
    connect(m_command6, &QPushButton::clicked, this, &TrackMain::exitClicked);
    connect(m_drive1, &QComboBox::currentTextChanged, this, &TrackMain::drive1Changed);
    connect(m_drive2, &QComboBox::currentTextChanged, this, &TrackMain::drive2Changed);
    connect(m_dir1, &QListWidget::itemActivated, this, [this](QListWidgetItem *item) {
        pointDir1At(QDir::cleanPath(QDir(m_dir1Folder).filePath(item->text())));
    });
    connect(m_file2, &QListWidget::itemClicked, this,
            [this](QListWidgetItem *item) { file2Clicked(item->text()); });
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
    m_command2->setEnabled(false);
    m_socket->close();
    m_text1->setText(m_drive1->currentText());
    showOperatingSystemFolder(m_drive1->currentText());
    pointDir1At(m_drive2->currentText());
    m_clock->setTickCount(0);
    m_combo1->setCurrentIndex(0);
    logLine(QStringLiteral(" Remote download started."));
}

std::optional<quint16> TrackMain::portNumber(const QString &text)
{
    return ListeningSession::portNumber(text);
}

void TrackMain::setHostPortClicked()
{
    if (const std::optional<quint16> port = ListeningSession::selectPort(m_txtport->text(), *this))
        m_socket->setLocalPort(*port);
}

void TrackMain::setListeningButtons(bool listening)
{
    m_command1->setEnabled(!listening);
    m_command2->setEnabled(listening);
}

void TrackMain::startClicked()
{
    // Start right after Stop, while the loop still finishes its transfer: it simply goes on.
    if (m_download->isLooping()) {
        m_download->resume();
        setListeningButtons(true);
        return;
    }
    // Without "&Set host/port" the socket listens on the port that txtport shows, so the
    // "Started" line is true.
    if (m_socket->localPort() == 0) {
        if (const std::optional<quint16> port = portNumber(m_txtport->text()))
            m_socket->setLocalPort(*port);
    }
    if (m_transfers->isVisibleTo(this))
        m_transfersRefresh->start();
    ListeningSession::listenUntilStopped(*m_download, *m_socket, *this, m_txtport->text(),
                                         [this] { setListeningButtons(true); });
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
    // The transfer in progress ends with the window; the Start click then returns.
    m_download->stop();
    m_download->end();
    event->accept();
}

void TrackMain::drive1Changed(const QString &drive)
{
    m_text1->setText(ServerPaths::joinPath(drive, QString()));
    showOperatingSystemFolder(drive);
}

void TrackMain::drive2Changed(const QString &drive)
{
    pointDir1At(drive);
}

void TrackMain::pointDir1At(const QString &folder)
{
    QDir dir(folder.isEmpty() ? QDir::currentPath() : folder);
    if (!dir.exists())
        return;
    m_dir1Folder = dir.absolutePath();
    m_dir1->setProperty("path", QDir::toNativeSeparators(m_dir1Folder));
    m_dir1->setToolTip(QDir::toNativeSeparators(m_dir1Folder));
    m_dir1->clear();
    if (!dir.isRoot())
        m_dir1->addItem(QStringLiteral(".."));
    m_dir1->addItems(
        dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase));
    // Dir1 changed: File2 follows.
    m_file2->clear();
    m_file2->addItems(ServerPaths::visibleFiles(m_dir1Folder));
}

void TrackMain::file2Clicked(const QString &name)
{
    const QString path = ServerPaths::joinPath(m_dir1Folder, name);
    if (m_combo1->currentIndex() == 0)
        m_label5->setText(path);
    else
        m_label9->setText(path);
}

void TrackMain::addActivity(const QString &line)
{
    m_list1->addLine(line);
}

void TrackMain::logLine(const QString &text)
{
    LogLine::append(text);
}

QString TrackMain::operatingSystemBaseFolder() const
{
    return m_drive1->currentText().trimmed();
}

// A label that still says "None selected !" names no file, whatever the working directory holds.
QString TrackMain::configurationFilePath() const
{
    return m_label5->text() == noneSelected ? QString() : m_label5->text();
}

QString TrackMain::gpsTableFilePath() const
{
    return m_label9->text() == noneSelected ? QString() : m_label9->text();
}

void TrackMain::showOperatingSystemFolder(const QString &folder)
{
    m_file1->clear();
    m_file1->addItems(ServerPaths::visibleFiles(folder));
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
        item->setText(0, transfer.unit);
        item->setText(1, transfer.what);
        item->setText(2, QStringLiteral("%1 of %2").arg(transfer.packet).arg(transfer.packetCount));
        item->setText(3, QString::number(transfer.timeouts));
    }
    if (rows > shown.size()) {
        QTreeWidgetItem *more = m_transfers->topLevelItem(int(shown.size()));
        more->setText(0, QStringLiteral("and %1 more").arg(counts.running - shown.size()));
        for (int column = 1; column < 4; ++column)
            more->setText(column, QString());
    }
}

void TrackMain::clearPacketProgress()
{
    m_packetProgress->clear();
}
