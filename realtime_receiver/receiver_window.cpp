#include "receiver_window.h"

#include "common/datagram_socket.h"
#include "common/help_viewer.h"

#include <QCloseEvent>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>

using namespace ReceiverText;

namespace {
constexpr int twipsPerInch = 1440;
constexpr int clientWidthTwips = 10125;
constexpr int clientHeightTwips = 7485;
} // namespace

ReceiverWindow::ReceiverWindow(QWidget *parent) : ReceiverWindow(Options{}, parent) {}

ReceiverWindow::ReceiverWindow(const Options &options, QWidget *parent)
    : QWidget(parent), m_socket(options.socket), m_help(options.help),
      m_clock(options.tickIntervalMs, TickClock::Wrap::AboveSixtyBeforeIncrement),
      m_answerPause(options.answerPause)
{
    setObjectName(QStringLiteral("trackmain"));
    setWindowTitle(QStringLiteral("GPRS Real time Sample communication program 1.0"));
    m_clock.setObjectName(QStringLiteral("Timer1"));
    if (!m_socket)
        m_socket = new UdpDatagramSocket(this);
    m_socket->setObjectName(QStringLiteral("sckudp"));
    if (!m_help) {
        m_ownHelp = std::make_unique<SystemHelpViewer>();
        m_help = m_ownHelp.get();
    }
    buildControls();

    connect(m_command4, &QPushButton::clicked, this, &ReceiverWindow::setHostPortClicked);
    connect(m_command1, &QPushButton::clicked, this, &ReceiverWindow::startClicked);
    connect(m_command2, &QPushButton::clicked, this, &ReceiverWindow::stopClicked);
    connect(m_command5, &QPushButton::clicked, this, &ReceiverWindow::sendDataClicked);
    connect(m_command3, &QPushButton::clicked, this, &ReceiverWindow::helpClicked);
    connect(m_command6, &QPushButton::clicked, this, &ReceiverWindow::exitClicked);
    connect(m_socket, &DatagramSocket::datagramArrived, this,
            [this](const QByteArray &data) { datagramArrived(data); });

    // Window loaded.
    m_listening = false;
    m_command2->setEnabled(false);
    m_socket->close();
    m_running = true;
    m_clock.setTickCount(0);
    m_dataArrived = false;
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

    m_command4 = button("Command4", QStringLiteral("&Set host/port"));
    place(m_command4, 480, 240, 1335, 375);
    m_label2 = label("Label2", QStringLiteral("Port:"));
    place(m_label2, 2040, 360, 495, 255);
    m_txtport = new QLineEdit(QStringLiteral("6081"), this);
    m_txtport->setObjectName(QStringLiteral("txtport"));
    place(m_txtport, 2640, 240, 2055, 315);

    m_label4 = label("Label4", QStringLiteral("Enter command to send back :"));
    place(m_label4, 240, 1080, 5775, 255);
    m_text1 = new QLineEdit(this);
    m_text1->setObjectName(QStringLiteral("Text1"));
    place(m_text1, 240, 1440, 9735, 360);
    m_command5 = button("Command5", QStringLiteral("Send Data"));
    m_command5->setEnabled(false);
    place(m_command5, 3960, 1920, 1695, 375);

    m_label1 = label("Label1", QStringLiteral("Activity Log:"));
    place(m_label1, 120, 2040, 1095, 255);
    m_list1 = new QListWidget(this);
    m_list1->setObjectName(QStringLiteral("List1"));
    m_list1->setUniformItemSizes(true);
    place(m_list1, 120, 2400, 9855, 4350);

    m_command1 = button("Command1", QStringLiteral("&Start"));
    m_command1->setEnabled(false);
    place(m_command1, 360, 6960, 1695, 375);
    m_command2 = button("Command2", QStringLiteral("Stop"));
    place(m_command2, 2400, 6960, 1695, 375);
    m_command3 = button("Command3", QStringLiteral("Help"));
    place(m_command3, 5160, 6960, 1575, 375);
    m_command6 = button("Command6", QStringLiteral("EXIT"));
    place(m_command6, 8160, 6960, 1575, 375);

    // The lines framing the port, the command and log, and the buttons.
    place(line("Line5", QFrame::HLine), 120, 840, 9855, 30);
    place(line("Line6", QFrame::HLine), 120, 6825, 9855, 30);
    place(line("Line7", QFrame::VLine), 45, 840, 30, 6000);
    place(line("Line8", QFrame::VLine), 10035, 840, 30, 6000);
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
    for (const QString &line : logLines(text))
        addListLine(line);
}

void ReceiverWindow::addListLine(const QString &line)
{
    // Follow the newest line unless the operator has scrolled back to read.
    const QScrollBar *bar = m_list1->verticalScrollBar();
    const bool following = bar->value() == bar->maximum();
    m_list1->addItem(line);
    while (m_list1->count() > activityListCap)
        delete m_list1->takeItem(0);
    if (following)
        m_list1->scrollToBottom();
}

void ReceiverWindow::setHostPortClicked()
{
    const QString text = m_txtport->text();
    if (text.isEmpty()) {
        addListLine(QStringLiteral("No Port Specified"));
        return;
    }
    const std::optional<quint16> port = portNumber(text);
    if (!port) {
        logMessage(QStringLiteral("Invalid port: ") + text +
                   QStringLiteral(" (a number from 1 to 65535)"));
        return;
    }
    m_socket->setLocalPort(*port);
    m_selectedPortText = text;
    logMessage(QStringLiteral("Port :") + text + QStringLiteral(" selected !"));
    // While listening the new port applies to the next start; Stop enables Start.
    if (!m_listening)
        m_command1->setEnabled(true);
}

void ReceiverWindow::startClicked()
{
    // Start stays clickable for the moment between Stop and the end of the loop.
    if (m_listening)
        return;
    m_dataArrived = false;
    if (!m_socket->listen()) {
        logMessage(QStringLiteral("Cannot listen on port ") + m_selectedPortText +
                   QStringLiteral(": ") + m_socket->errorString());
        return;
    }
    m_listening = true;
    // A command queued before the last stop still waits for its acknowledgement.
    m_command5->setEnabled(m_pendingCommand.isEmpty());
    logMessage(QStringLiteral("Started, listening on port ") + m_txtport->text());
    m_command1->setEnabled(false);
    m_command2->setEnabled(true);
    m_running = true;

    while (m_running) {
        if (m_dataArrived)
            answerArrivedData();
        TickClock::waitUntil([this] { return !m_running || m_dataArrived; });
    }

    m_socket->close();
    m_listening = false;
    m_command5->setEnabled(false);
    logMessage(QStringLiteral("Stopped, listening on port ") + m_txtport->text());
}

void ReceiverWindow::answerArrivedData()
{
    const QString identifier = m_answerIdentifier;
    pauseBeforeAnswer();

    const QString command = m_pendingCommand;
    if (m_socket->sendToLastSender(acknowledgementDatagram(identifier, command))) {
        logMessage(QStringLiteral("Send: ") + acknowledgementText(identifier, command));
        m_pendingCommand.clear();
    } else {
        // The command stays queued for the next acknowledgement.
        logMessage(QStringLiteral("Send failed: ") + acknowledgementText(identifier, command) +
                   QStringLiteral(" (") + m_socket->errorString() + QStringLiteral(")"));
    }
    m_dataArrived = false;
    m_command5->setEnabled(m_pendingCommand.isEmpty());
}

void ReceiverWindow::pauseBeforeAnswer()
{
    // The window stays live: arrivals, clicks and ticks are handled meanwhile.
    QTimer pause;
    pause.setSingleShot(true);
    pause.start(m_answerPause);
    TickClock::waitUntil([&pause] { return !pause.isActive(); });
}

void ReceiverWindow::stopClicked()
{
    m_command1->setEnabled(true);
    m_command2->setEnabled(false);
    m_running = false;
}

void ReceiverWindow::sendDataClicked()
{
    if (!m_listening) {
        logMessage(QStringLiteral("You didnt set remote host/port"));
        return;
    }
    m_pendingCommand = m_text1->text();
    logMessage(m_pendingCommand);
    m_command5->setEnabled(false);
}

void ReceiverWindow::helpClicked()
{
    m_help->open(QStringLiteral("download.txt"));
}

void ReceiverWindow::exitClicked()
{
    close();
}

void ReceiverWindow::datagramArrived(const QByteArray &data)
{
    m_lastMessage = messageText(data);
    logMessage(QStringLiteral("Received: ") + m_lastMessage);
    // A burst is answered once, with the identifier of its first datagram.
    if (!m_dataArrived)
        m_answerIdentifier = identifierOf(m_lastMessage);
    m_dataArrived = true;
}

void ReceiverWindow::closeEvent(QCloseEvent *event)
{
    // Ends a listening loop; it closes the socket on its way out.
    m_running = false;
    event->accept();
}
