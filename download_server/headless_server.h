#pragma once

#include "remote_download.h"

#include "common/service/service_metrics.h"
#include "common/store/fleet_store.h"

#include <QObject>
#include <QString>

#include <memory>

class ServiceNotifier;
class StopSignals;
class QTimer;
class TickClock;
class UdpDatagramSocket;

// The choices an operator makes on the console, given on the command line instead.
struct HeadlessServerOptions
{
    QString portText = QStringLiteral("6081"); // txtport
    QString baseFolder;        // Drive1: the folder holding the operating system folders
    QString configurationFile; // Label5; empty: none selected
    QString gpsTableFile;      // Label9; empty: none selected
    int tickIntervalMs = 1000;
    int sessions = 1;       // units served at once
    bool quiet = false;     // no packet-by-packet lines
    bool reusePort = false; // share the port with other Server processes
    int summaryIntervalMs = 10000;
    StoreSettings store;     // --store: where the transfers are recorded; no location for none
    QString metricsEndpoint; // --metrics [ADDRESS:]PORT; empty: none
};

// Server without a window (Server --headless): the console's load, "&Set host/port" and
// "&Start" with the same exchange, its List1 lines on standard output and the same "log.txt".
// Once listening, one more line names the UDP port bound ("Listening on UDP port 34567"), so a
// run on --port 0 tells which port the system gave. SIGINT or SIGTERM acts as "Stop": listening
// ends after the transfer in progress. A second one acts as EXIT and ends the transfer at once.
// While transfers run, a summary line every 10 s.
// Run by systemd, it tells when it listens, its counts every second and that it is alive; with
// --metrics the same counts and more go to Prometheus.
class HeadlessServer : public QObject, private DownloadConsole
{
    Q_OBJECT
public:
    enum ExitStatus { Stopped = 0, CannotListen = 1 };

    explicit HeadlessServer(HeadlessServerOptions options, QObject *parent = nullptr);
    ~HeadlessServer() override;

    // Starts listening and returns at once: false when it cannot (exit status CannotListen).
    bool start();

signals:
    // Listening has ended after a stop request; status: the program's exit status.
    void finished(int status);

private:
    void stopRequested(int count);
    void writeSummary();
    void listeningEnded();
    // The status line and the metrics, every second while listening.
    void refreshService();

    // DownloadConsole
    void addActivity(const QString &line) override;
    void addDetail(const QString &line) override;
    void logLine(const QString &text) override;
    void showOperatingSystemFolder(const QString &folder) override;

    HeadlessServerOptions m_options;
    TickClock *m_clock;
    UdpDatagramSocket *m_socket;
    RemoteDownload *m_download;
    StopSignals *m_stopSignals;
    QTimer *m_summary;
    ServiceNotifier *m_service;
    QTimer *m_serviceRefresh;
    std::unique_ptr<ServiceMetrics> m_metrics;
    FleetStore *m_store = nullptr; // --store
};
