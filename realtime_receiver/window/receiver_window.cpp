#include "receiver_window.h"

#include "common/widgets/activity_list.h"
#include "common/widgets/help_window.h"

#include "common/help_viewer.h"
#include "common/network/datagram_socket.h"
#include "unit_choice.h"
#include "units_model.h"

#include <QCloseEvent>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QTimer>

using namespace ReceiverText;

namespace {
constexpr int twipsPerInch = 1440;
// The original client area is 10125 twips wide; the fleet controls take a column to its right.
constexpr int clientWidthTwips = 16965;
constexpr int unitsRefreshMs = 250;
constexpr int clientHeightTwips = 7485;
} // namespace

ReceiverWindow::ReceiverWindow(QWidget *parent) : ReceiverWindow(Options{}, parent) {}

ReceiverWindow::ReceiverWindow(const Options &options, QWidget *parent)
    : QWidget(parent), m_socket(options.socket), m_helpViewer(options.help),
      m_clock(options.tickIntervalMs, TickClock::Wrap::AboveSixtyBeforeIncrement)
{
    setObjectName(QStringLiteral("trackmain"));
    setWindowTitle(QStringLiteral("GPRS Real time Sample communication program 1.0"));
    m_clock.setObjectName(QStringLiteral("Timer1"));
    if (!m_socket)
        m_socket = new UdpDatagramSocket(this);
    m_socket->setObjectName(QStringLiteral("sckudp"));
    if (!m_helpViewer) {
        m_ownHelpViewer = std::make_unique<SystemHelpViewer>(HelpWindow::showText);
        m_helpViewer = m_ownHelpViewer.get();
    }
    m_receiver = new RealtimeReceiver(*m_socket, *this, options.answerPause, this);
    buildControls();
    if (options.store.isSet())
        m_receiver->useStore(options.store); // a failure is one line; receiving goes on

    connect(m_setPort, &QPushButton::clicked, this, &ReceiverWindow::setHostPortClicked);
    connect(m_start, &QPushButton::clicked, this, &ReceiverWindow::startClicked);
    connect(m_stop, &QPushButton::clicked, this, &ReceiverWindow::stopClicked);
    connect(m_sendData, &QPushButton::clicked, this, &ReceiverWindow::sendDataClicked);
    connect(m_help, &QPushButton::clicked, this, &ReceiverWindow::helpClicked);
    connect(m_exit, &QPushButton::clicked, this, &ReceiverWindow::exitClicked);
    connect(m_withdraw, &QPushButton::clicked, this, &ReceiverWindow::withdrawClicked);
    connect(m_unitChoice, &QComboBox::currentTextChanged, this, &ReceiverWindow::updateSendData);
    connect(m_unitsRefresh, &QTimer::timeout, m_unitsModel, &UnitsModel::refresh);
    m_unitsRefresh->start(unitsRefreshMs);

    // Window loaded (the receiver starts with running set, not listening, no data arrived).
    m_stop->setEnabled(false);
    m_socket->close();
    m_clock.setTickCount(0);
}

ReceiverWindow::~ReceiverWindow() = default;

void ReceiverWindow::buildControls()
{
    place(this, 0, 0, clientWidthTwips, clientHeightTwips);

    auto button = [this](const char *name, const QString &caption) {
        auto *control = new QPushButton(caption, this);
        control->setObjectName(QLatin1String(name));
        return control;
    };
    auto label = [this](const char *name, const QString &caption) {
        auto *control = new QLabel(caption, this);
        control->setObjectName(QLatin1String(name));
        return control;
    };
    auto line = [this](const char *name, QFrame::Shape shape) {
        auto *control = new QFrame(this);
        control->setObjectName(QLatin1String(name));
        control->setFrameShape(shape);
        control->setFrameShadow(QFrame::Sunken);
        return control;
    };

    m_setPort = button("Command4", QStringLiteral("&Set host/port"));
    place(m_setPort, 480, 240, 1335, 375);
    m_portLabel = label("Label2", QStringLiteral("Port:"));
    place(m_portLabel, 2040, 360, 495, 255);
    m_port = new QLineEdit(QStringLiteral("6081"), this);
    m_port->setObjectName(QStringLiteral("txtport"));
    place(m_port, 2640, 240, 2055, 315);

    m_commandLabel = label("Label4", QStringLiteral("Enter command to send back :"));
    place(m_commandLabel, 240, 1080, 5775, 255);
    m_command = new QLineEdit(this);
    m_command->setObjectName(QStringLiteral("Text1"));
    place(m_command, 240, 1440, 9735, 360);
    m_sendData = button("Command5", QStringLiteral("Send Data"));
    m_sendData->setEnabled(false);
    place(m_sendData, 3960, 1920, 1695, 375);

    m_activityLabel = label("Label1", QStringLiteral("Activity Log:"));
    place(m_activityLabel, 120, 2040, 1095, 255);
    m_activity = new ActivityList(activityListCap, this);
    m_activity->setObjectName(QStringLiteral("List1"));
    place(m_activity, 120, 2400, 9855, 4350);

    m_start = button("Command1", QStringLiteral("&Start"));
    m_start->setEnabled(false);
    place(m_start, 360, 6960, 1695, 375);
    m_stop = button("Command2", QStringLiteral("Stop"));
    place(m_stop, 2400, 6960, 1695, 375);
    m_help = button("Command3", QStringLiteral("Help"));
    place(m_help, 5160, 6960, 1575, 375);
    m_exit = button("Command6", QStringLiteral("EXIT"));
    place(m_exit, 8160, 6960, 1575, 375);

    // Screen readers and automation name each box by the caption above it.
    m_portLabel->setBuddy(m_port);
    m_commandLabel->setBuddy(m_command);

    // The lines framing the port, the command and log, and the buttons.
    place(line("Line5", QFrame::HLine), 120, 840, 9855, 30);
    place(line("Line6", QFrame::HLine), 120, 6825, 9855, 30);
    place(line("Line7", QFrame::VLine), 45, 840, 30, 6000);
    place(line("Line8", QFrame::VLine), 10035, 840, 30, 6000);

    // The fleet column: whom a command is for, the commands waiting, and the units heard.
    auto *unitLabel = label("LabelUnit", QStringLiteral("Send to &unit:"));
    place(unitLabel, 10245, 1080, 3000, 255);
    m_unitChoice = new UnitChoice(*m_receiver, this);
    m_unitChoice->setObjectName(QStringLiteral("UnitChoice"));
    m_unitChoice->setAccessibleName(QStringLiteral("Send to unit"));
    unitLabel->setBuddy(m_unitChoice);
    place(m_unitChoice, 10245, 1440, 3000, 360);
    auto *pendingLabel = label("LabelPending", QStringLiteral("&Pending commands:"));
    place(pendingLabel, 13365, 1080, 3480, 255);
    m_pendingCommands = new QListWidget(this);
    m_pendingCommands->setObjectName(QStringLiteral("PendingCommands"));
    m_pendingCommands->setAccessibleName(QStringLiteral("Pending commands"));
    pendingLabel->setBuddy(m_pendingCommands);
    place(m_pendingCommands, 13365, 1440, 3480, 855);
    m_withdraw = button("Withdraw", QStringLiteral("&Withdraw"));
    m_withdraw->setAccessibleName(QStringLiteral("Withdraw the selected command"));
    place(m_withdraw, 11550, 1920, 1695, 375);
    auto *unitsLabel = label("LabelUnits", QStringLiteral("U&nits:"));
    place(unitsLabel, 10245, 2040, 1095, 255);
    m_unitsModel = new UnitsModel(*m_receiver, this);
    m_unitsView = new QTableView(this);
    m_unitsView->setObjectName(QStringLiteral("UnitsView"));
    m_unitsView->setAccessibleName(QStringLiteral("Units"));
    m_unitsView->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_unitsView->verticalHeader()->hide();
    m_unitsView->verticalHeader()->setDefaultSectionSize(m_unitsView->fontMetrics().height() + 4);
    m_unitsView->setWordWrap(false);
    unitsLabel->setBuddy(m_unitsView);
    place(m_unitsView, 10245, 2400, 6600, 4350);
    // Each column as wide as what it shows; the last message takes the room left, cut, not
    // wrapped. The view is set up before its model comes, so the columns are measured once.
    m_unitsView->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_unitsView->setModel(m_unitsModel);
    m_unitsView->horizontalHeader()->setSectionResizeMode(UnitsModel::LastMessage,
                                                          QHeaderView::Stretch);
    m_unitsRefresh = new QTimer(this);
}

void ReceiverWindow::place(QWidget *control, int left, int top, int width, int height)
{
    const int dpiX = logicalDpiX();
    const int dpiY = logicalDpiY();
    auto pixels = [](int twips, int dpi) {
        return static_cast<int>((static_cast<qint64>(twips) * dpi + twipsPerInch / 2) /
                                twipsPerInch);
    };
    if (control == this) {
        setFixedSize(pixels(width, dpiX), pixels(height, dpiY));
        return;
    }
    control->setGeometry(pixels(left, dpiX), pixels(top, dpiY), pixels(width, dpiX),
                         pixels(height, dpiY));
}

void ReceiverWindow::logMessage(const QString &text)
{
    m_receiver->logMessage(text);
}

quint16 ReceiverWindow::listenAt(const QString &portText)
{
    m_port->setText(portText);
    if (!m_receiver->selectPort(portText, true) || !m_receiver->listen())
        return 0;
    return m_socket->boundPort();
}

void ReceiverWindow::addLine(const QString &line)
{
    m_activity->addLine(line);
}

QString ReceiverWindow::portText() const
{
    return m_port->text();
}

void ReceiverWindow::listeningStarted()
{
    m_start->setEnabled(false);
    m_stop->setEnabled(true);
}

void ReceiverWindow::commandQueueChanged(bool canQueue)
{
    m_canQueueNext = canQueue;
    updateSendData();
}

void ReceiverWindow::updateSendData()
{
    // "next message" follows the one-command rule; a unit may have several waiting.
    const bool forUnit = !m_unitChoice->identifier().isEmpty();
    m_sendData->setEnabled(forUnit ? m_receiver->listening() : m_canQueueNext);
}

void ReceiverWindow::pendingCommandsChanged()
{
    m_pendingCommands->clear();
    for (const PendingCommand &pending : m_receiver->pendingCommands()) {
        const QString unit =
            pending.identifier.isEmpty() ? QStringLiteral("next message") : pending.identifier;
        auto *item = new QListWidgetItem(unit + QStringLiteral(": ") + pending.command);
        item->setData(Qt::UserRole, QStringList{pending.identifier, pending.command,
                                                QString::number(pending.storeId)});
        m_pendingCommands->addItem(item);
    }
}

void ReceiverWindow::withdrawClicked()
{
    const QListWidgetItem *item = m_pendingCommands->currentItem();
    if (!item)
        return;
    const QStringList pending = item->data(Qt::UserRole).toStringList();
    m_receiver->withdraw({pending.value(0), pending.value(1), pending.value(2).toLongLong()});
}

void ReceiverWindow::setHostPortClicked()
{
    // While listening the new port applies to the next start; Stop enables Start.
    if (m_receiver->selectPort(m_port->text()) && !m_receiver->listening())
        m_start->setEnabled(true);
}

void ReceiverWindow::startClicked()
{
    // Start stays clickable while a stopped receiver still sends the answers in hand; it then
    // does nothing.
    m_receiver->listen();
}

void ReceiverWindow::stopClicked()
{
    m_start->setEnabled(true);
    m_stop->setEnabled(false);
    m_receiver->stop();
}

void ReceiverWindow::sendDataClicked()
{
    const QString unit = m_unitChoice->identifier();
    if (unit.isEmpty())
        m_receiver->queueCommand(m_command->text());
    else if (unit.size() > 6)
        logMessage(QStringLiteral("Not queued: ") + unit.left(20) +
                   QStringLiteral(" is longer than a unit identifier (6 characters)"));
    else
        m_receiver->queueUnitCommand(unit, m_command->text());
}

void ReceiverWindow::helpClicked()
{
    m_helpViewer->open(QStringLiteral("download.txt"));
}

void ReceiverWindow::exitClicked()
{
    close();
}

void ReceiverWindow::closeEvent(QCloseEvent *event)
{
    // Ends listening; the socket closes once the answers in hand are sent.
    m_receiver->stop();
    event->accept();
}
