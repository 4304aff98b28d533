#pragma once

#include "common/tick_clock.h"
#include "receiver_text.h"

#include <QString>
#include <QWidget>

#include <chrono>
#include <memory>

class DatagramSocket;
class HelpViewer;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

// Quellix's window (trackmain): sets the UDP port, listens, shows every real-time message a
// unit sends and answers each with its identifier, ",1" and the operator's pending command.
class ReceiverWindow : public QWidget
{
    Q_OBJECT
public:
    struct Options
    {
        DatagramSocket *socket = nullptr; // not owned; null: a UDP socket of the window's own
        HelpViewer *help = nullptr;       // not owned; null: the system's text viewer
        int tickIntervalMs = 1000;
        std::chrono::milliseconds answerPause = ReceiverText::answerPause;
    };

    explicit ReceiverWindow(QWidget *parent = nullptr);
    explicit ReceiverWindow(const Options &options, QWidget *parent = nullptr);
    ~ReceiverWindow() override;

    // Shows a text in List1: one line up to 100 characters, else the first 100 and the rest.
    void logMessage(const QString &text);

    bool running() const { return m_running; }
    bool listening() const { return m_listening; }
    bool dataArrived() const { return m_dataArrived; }
    QString lastMessage() const { return m_lastMessage; }
    QString pendingCommand() const { return m_pendingCommand; }
    int tickCount() const { return m_clock.tickCount(); }

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildControls();
    void place(QWidget *control, int left, int top, int width, int height);
    void addListLine(const QString &line);

    void setHostPortClicked(); // Command4
    void startClicked();       // Command1: the listening loop
    void stopClicked();        // Command2
    void sendDataClicked();    // Command5
    void helpClicked();        // Command3
    void exitClicked();        // Command6
    void datagramArrived(const QByteArray &data);
    void answerArrivedData();
    void pauseBeforeAnswer();

    DatagramSocket *m_socket;
    std::unique_ptr<HelpViewer> m_ownHelp;
    HelpViewer *m_help;
    TickClock m_clock;
    std::chrono::milliseconds m_answerPause;

    bool m_running = true;
    bool m_listening = false;
    bool m_dataArrived = false;
    QString m_lastMessage;
    QString m_pendingCommand;
    // The identifier of the first datagram not yet answered.
    QString m_answerIdentifier;
    // The port text as it was when the port was set, and when listening started.
    QString m_selectedPortText;

    QPushButton *m_command4 = nullptr;
    QLabel *m_label2 = nullptr;
    QLineEdit *m_txtport = nullptr;
    QLabel *m_label4 = nullptr;
    QLineEdit *m_text1 = nullptr;
    QPushButton *m_command5 = nullptr;
    QLabel *m_label1 = nullptr;
    QListWidget *m_list1 = nullptr;
    QPushButton *m_command1 = nullptr;
    QPushButton *m_command2 = nullptr;
    QPushButton *m_command3 = nullptr;
    QPushButton *m_command6 = nullptr;
};
