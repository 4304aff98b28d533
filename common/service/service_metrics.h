#pragma once

#include <QString>

#include <memory>

class FleetStore;

// The figures Server or Quellix shows a monitoring system: counters and gauges in the Prometheus
// text format at /metrics (--metrics [ADDRESS:]PORT). The page is served from threads of its
// own (prometheus-cpp's exposer, on civetweb), which read the figures while the event loop
// updates them; none carries a unit's name, so their number stays fixed however many units
// call. A figure the program does not have is not shown, and updating it does nothing. Built
// without prometheus-cpp, serve() refuses and nothing else does anything.
class ServiceMetrics
{
public:
    enum class Program { Server, Quellix };

    enum class Counter {
        MessagesReceived,     // Quellix: real-time messages received
        AnswersSent,          // Quellix: acknowledgements sent
        CommandsSent,         // Quellix: operator commands sent with an acknowledgement
        CommandsExpired,      // Quellix: commands given up before any acknowledgement took them
        TransfersDownloaded,  // Server: transfers that ended with the last packet accepted
        TransfersGaveUp,      // Server: transfers given up after five time-outs of a packet
        TransfersNothingSent, // Server: requests with nothing to send (file missing or refused)
        PacketsSent,          // Server: packets sent for the first time
        PacketsResent,        // Server: packets sent again (refused or unanswered)
        Timeouts,             // Server: packets unanswered within the wait
        BusyRefusals,         // Server: requests refused because every session was taken
        StrangerDatagrams,    // Server: datagrams that were no request, from no unit being served
        StoreRowsWritten,     // both: rows the fleet store has written
        StoreRowsDropped,     // both: rows the fleet store could not keep
    };
    enum class Gauge {
        UnitsKnown,       // Quellix: units heard since start-up
        TransfersRunning, // Server: transfers in progress
        StoreQueueDepth,  // both: rows waiting to be written to the fleet store
    };

    explicit ServiceMetrics(Program program);
    ~ServiceMetrics();
    ServiceMetrics(const ServiceMetrics &) = delete;
    ServiceMetrics &operator=(const ServiceMetrics &) = delete;

    // Serves /metrics on "[ADDRESS:]PORT": the address 127.0.0.1 when left out, an IPv6 address
    // in brackets ("[::1]:9100"), port 0 for any free port. Empty when serving, else why not.
    QString serve(const QString &endpoint);
    // Where the page is served, the port resolved ("http://127.0.0.1:9100/metrics"); empty
    // when not serving.
    QString url() const;

    void add(Counter counter, quint64 count = 1);
    // Brings the counter up to a count kept elsewhere since start-up; never lowers it.
    void catchUp(Counter counter, quint64 total);
    void set(Gauge gauge, double value);
    // The fleet store's figures: rows written, dropped and waiting, commands expired.
    void showStore(const FleetStore &store);

    // --metrics for the program named by the application name: serves the page and says where
    // on standard output, or says on standard error why not and returns nothing.
    static std::unique_ptr<ServiceMetrics> start(Program program, const QString &endpoint);

private:
    struct Figures;
    std::unique_ptr<Figures> m_figures;
};
