#pragma once

#include "common/store/fleet_store.h"
#include "common/tick_clock.h"
#include "realtime_receiver.h"
#include "receiver_text.h"

#include <QString>
#include <QWidget>

#include <chrono>
#include <memory>

class DatagramSocket;
class HelpViewer;
class QLabel;
class QLineEdit;
class ActivityList;
class QListWidget;
class QPushButton;
class QTimer;
class QTableView;
class UnitChoice;
class UnitsModel;

// Quellix's window (trackmain): sets the UDP port, listens, shows every real-time message a
// unit sends and answers each with its identifier, ",1" and the operator's pending command.
// Beside the original controls: the unit a command is for, the commands pending and the units
// view.
class ReceiverWindow : public QWidget, private ReceiverConsole
{
    Q_OBJECT
public:
    struct Options
    {
        DatagramSocket *socket = nullptr; // not owned; null: a UDP socket of the window's own
        HelpViewer *help = nullptr;       // not owned; null: the system's text viewer
        int tickIntervalMs = 1000;
        std::chrono::milliseconds answerPause = ReceiverText::answerPause;
        StoreSettings store = {}; // --store (--record): the fleet store; empty for none
    };

    explicit ReceiverWindow(QWidget *parent = nullptr);
    explicit ReceiverWindow(const Options &options, QWidget *parent = nullptr);
    ~ReceiverWindow() override;

    // Shows a text in List1: one line up to 100 characters, else the first 100 and the rest.
    void logMessage(const QString &text);

    // For scripts and benchmarks (--listen): "&Set host/port" on portText, where "0" names a
    // port the system gives, then "&Start". The port listened on; 0 when it does not listen.
    quint16 listenAt(const QString &portText);

    bool running() const { return m_receiver->running(); }
    bool listening() const { return m_receiver->listening(); }
    bool dataArrived() const { return m_receiver->dataArrived(); }
    QString lastMessage() const { return m_receiver->lastMessage(); }
    QString pendingCommand() const { return m_receiver->pendingCommand(); }
    int tickCount() const { return m_clock.tickCount(); }

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildControls();
    void place(QWidget *control, int left, int top, int width, int height);

    // ReceiverConsole
    void addLine(const QString &line) override;
    QString portText() const override;
    void listeningStarted() override;
    void commandQueueChanged(bool canQueue) override;
    void pendingCommandsChanged() override;
    void updateSendData();

    void setHostPortClicked();
    void startClicked();
    void stopClicked();
    void sendDataClicked();
    void helpClicked();
    void exitClicked();
    void withdrawClicked();

    DatagramSocket *m_socket;
    std::unique_ptr<HelpViewer> m_ownHelpViewer;
    HelpViewer *m_helpViewer;
    TickClock m_clock;
    RealtimeReceiver *m_receiver = nullptr;

    // Each control's objectName is its name on the form, given here after the member.
    QPushButton *m_setPort = nullptr;   // Command4 "&Set host/port"
    QLabel *m_portLabel = nullptr;      // Label2
    QLineEdit *m_port = nullptr;        // txtport
    QLabel *m_commandLabel = nullptr;   // Label4
    QLineEdit *m_command = nullptr;     // Text1: the command to send back
    QPushButton *m_sendData = nullptr;  // Command5 "Send Data"
    QLabel *m_activityLabel = nullptr;  // Label1
    ActivityList *m_activity = nullptr; // List1
    QPushButton *m_start = nullptr;     // Command1
    QPushButton *m_stop = nullptr;      // Command2
    QPushButton *m_help = nullptr;      // Command3
    QPushButton *m_exit = nullptr;      // Command6

    bool m_canQueueNext = false;
    UnitChoice *m_unitChoice = nullptr;
    QListWidget *m_pendingCommands = nullptr;
    QPushButton *m_withdraw = nullptr;
    QTableView *m_unitsView = nullptr;
    UnitsModel *m_unitsModel = nullptr;
    QTimer *m_unitsRefresh = nullptr;
};
