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

    void setHostPortClicked(); // Command4
    void startClicked();       // Command1: the listening loop
    void stopClicked();        // Command2
    void sendDataClicked();    // Command5
    void helpClicked();        // Command3
    void exitClicked();        // Command6
    void withdrawClicked();    // Withdraw

    DatagramSocket *m_socket;
    std::unique_ptr<HelpViewer> m_ownHelp;
    HelpViewer *m_help;
    TickClock m_clock;
    RealtimeReceiver *m_receiver = nullptr;

    QPushButton *m_command4 = nullptr;
    QLabel *m_label2 = nullptr;
    QLineEdit *m_txtport = nullptr;
    QLabel *m_label4 = nullptr;
    QLineEdit *m_text1 = nullptr;
    QPushButton *m_command5 = nullptr;
    QLabel *m_label1 = nullptr;
    ActivityList *m_list1 = nullptr;
    QPushButton *m_command1 = nullptr;
    QPushButton *m_command2 = nullptr;
    QPushButton *m_command3 = nullptr;
    QPushButton *m_command6 = nullptr;

    bool m_canQueueNext = false;
    UnitChoice *m_unitChoice = nullptr;
    QListWidget *m_pendingCommands = nullptr;
    QPushButton *m_withdraw = nullptr;
    QTableView *m_unitsView = nullptr;
    UnitsModel *m_unitsModel = nullptr;
    QTimer *m_unitsRefresh = nullptr;
};
