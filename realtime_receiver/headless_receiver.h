#pragma once

#include "realtime_receiver.h"

#include "common/service/service_metrics.h"

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
// begin with ID. While messages arrive, a summary line every 10 s. SIGINT or SIGTERM acts as
// "Stop". Run by systemd, it tells when it listens, its counts every second and that it is
// alive; with --metrics the same counts go to Prometheus.
class HeadlessReceiver : public QObject, private ReceiverConsole
{
    Q_OBJECT
public:
    enum ExitStatus { Stopped = 0, CannotListen = 1 };

    // recordFile: the --record database, empty for none; metricsEndpoint: --metrics
    // [ADDRESS:]PORT, empty for none.
    explicit HeadlessReceiver(const QString &portText, const QString &recordFile = {},
                              const QString &metricsEndpoint = {}, QObject *parent = nullptr);
    ~HeadlessReceiver() override;

    // Listens until a stop request; returns the program's exit status.
    int run();

private:
    void commandRead(const QString &command);
    void queueNextCommand();
    void summarize();
    // The status line and the metrics, every second while listening.
    void refreshService();

    // ReceiverConsole
    void addLine(const QString &line) override;
    QString portText() const override { return m_portText; }
    void commandQueueChanged(bool canQueue) override;
    void listeningStarted() override;

    QString m_portText;
    QString m_recordFile;
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
