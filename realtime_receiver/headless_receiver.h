#pragma once

#include "realtime_receiver.h"

#include "common/service/service_metrics.h"
#include "common/store/fleet_store.h"

#include <QObject>
#include <QQueue>
#include <QString>
#include <QTimer>

#include <memory>

class ServiceNotifier;
class StandardInputLines;
class StopSignals;
class UdpDatagramSocket;

// Quellix without a window (Quellix --headless): "&Set host/port" and "&Start" with the
// receiver's own loop, the activity lines on standard output, and each line of standard input
// queued as a command like "Send Data". Lines that come while a command is still pending wait
// their turn, each for one acknowledgement. A line "@ID COMMAND" is for the unit whose messages
// begin with ID. When standard input ends, one line on standard error says so and how commands
// can still be queued. Once listening, one more line names the UDP port bound ("Listening on UDP
// port 34567"), so a run on --port 0 tells which port the system gave. While messages arrive, a
// summary line every 10 s. SIGINT or SIGTERM acts as "Stop".
// Run by systemd, it tells when it listens, its counts every second and that it is alive; with
// --metrics the same counts go to Prometheus.
class HeadlessReceiver : public QObject, private ReceiverConsole
{
    Q_OBJECT
public:
    enum ExitStatus { Stopped = 0, CannotListen = 1 };

    // store: the --store (--record) settings, no location for none; reusePort: --reuse-port;
    // metricsEndpoint: --metrics [ADDRESS:]PORT, empty for none.
    explicit HeadlessReceiver(const QString &portText, const StoreSettings &store = {},
                              bool reusePort = false, const QString &metricsEndpoint = {},
                              QObject *parent = nullptr);
    ~HeadlessReceiver() override;

    // Starts listening and returns at once: false when it cannot (exit status CannotListen).
    bool start();

    // What standard error says when standard input ends.
    static QString inputEndedText();

signals:
    // Listening has ended after a stop request; status: the program's exit status.
    void finished(int status);

private:
    void commandRead(const QString &command);
    void inputEnded();
    void queueNextCommand();
    void summarize();
    // The status line and the metrics, every second while listening.
    void refreshService();

    // ReceiverConsole
    void addLine(const QString &line) override;
    QString portText() const override { return m_portText; }
    void commandQueueChanged(bool canQueue) override;
    void listeningEnded() override;
    void listeningStarted() override;

    QString m_portText;
    StoreSettings m_store;
    QString m_metricsEndpoint;
    UdpDatagramSocket *m_socket;
    RealtimeReceiver *m_receiver;
    StopSignals *m_stopSignals;
    StandardInputLines *m_input;
    QQueue<QString> m_commands;
    QTimer m_summaryTimer;
    quint64 m_summarizedReceived = 0;
    quint64 m_summarizedAnswered = 0;
    ServiceNotifier *m_service;
    QTimer m_serviceRefresh;
    std::unique_ptr<ServiceMetrics> m_metrics;
};
