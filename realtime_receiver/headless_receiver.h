#pragma once

#include "realtime_receiver.h"

#include <QObject>
#include <QQueue>
#include <QString>

class StandardInputLines;
class StopSignals;
class UdpDatagramSocket;

// Quellix without a window (Quellix --headless): "&Set host/port" and "&Start" with the
// receiver's own loop, the activity lines on standard output, and each line of standard input
// queued as a command like "Send Data". Lines that come while a command is still pending wait
// their turn, each for one acknowledgement. SIGINT or SIGTERM acts as "Stop".
class HeadlessReceiver : public QObject, private ReceiverConsole
{
    Q_OBJECT
public:
    enum ExitStatus { Stopped = 0, CannotListen = 1 };

    explicit HeadlessReceiver(const QString &portText, QObject *parent = nullptr);
    ~HeadlessReceiver() override;

    // Listens until a stop request; returns the program's exit status.
    int run();

private:
    void commandRead(const QString &command);
    void queueNextCommand();

    // ReceiverConsole
    void addLine(const QString &line) override;
    QString portText() const override { return m_portText; }
    void commandQueueChanged(bool canQueue) override;

    QString m_portText;
    UdpDatagramSocket *m_socket;
    RealtimeReceiver *m_receiver;
    StopSignals *m_stopSignals;
    StandardInputLines *m_input;
    QQueue<QString> m_commands;
};
