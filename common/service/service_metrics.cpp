#include "service_metrics.h"

#include "common/console_lines.h"
#include "common/store/fleet_store.h"

#include <QCoreApplication>
#include <QHostAddress>

#include <optional>

#if defined(VORT_HAVE_PROMETHEUS)
#include <prometheus/counter.h>
#include <prometheus/exposer.h>
#include <prometheus/family.h>
#include <prometheus/gauge.h>
#include <prometheus/registry.h>

#include <array>
#include <exception>
#include <map>
#include <string>
#endif

namespace {
struct Endpoint
{
    QString address;
    quint16 port = 0;
};

// "[ADDRESS:]PORT"; nothing when the text is not one.
std::optional<Endpoint> parseEndpoint(const QString &text)
{
    const qsizetype colon = text.lastIndexOf(u':');
    QString address = colon < 0 ? QStringLiteral("127.0.0.1") : text.left(colon);
    const bool bracketed = address.startsWith(u'[') && address.endsWith(u']');
    if (bracketed)
        address = address.mid(1, address.size() - 2);
    bool ok = false;
    const uint port = text.mid(colon + 1).toUInt(&ok);
    const QHostAddress host(address);
    if (!ok || port > 65535 || host.isNull() ||
        (host.protocol() == QAbstractSocket::IPv6Protocol) != bracketed)
        return std::nullopt;
    return Endpoint{address, quint16(port)};
}
} // namespace

std::unique_ptr<ServiceMetrics> ServiceMetrics::start(Program program, const QString &endpoint)
{
    auto metrics = std::make_unique<ServiceMetrics>(program);
    const QString error = metrics->serve(endpoint);
    if (!error.isEmpty()) {
        ConsoleLines::writeError(QStringLiteral("%1: cannot serve metrics on %2 (%3).")
                                     .arg(QCoreApplication::applicationName(), endpoint, error));
        return nullptr;
    }
    ConsoleLines::write(QStringLiteral("Metrics on ") + metrics->url());
    return metrics;
}

void ServiceMetrics::showStore(const FleetStore &store)
{
    catchUp(Counter::StoreRowsWritten, store.rowsWritten());
    catchUp(Counter::StoreRowsDropped, store.droppedRows());
    catchUp(Counter::CommandsExpired, store.commandsExpired());
    set(Gauge::StoreQueueDepth, double(store.rowsHeld()));
}

#if defined(VORT_HAVE_PROMETHEUS)

namespace {
using Program = ServiceMetrics::Program;
constexpr unsigned server = 1U << unsigned(Program::Server);
constexpr unsigned quellix = 1U << unsigned(Program::Quellix);

struct Figure
{
    const char *name;
    const char *help;
    const char *outcome; // the label of vort_transfers_total, else nullptr
    unsigned programs;
};

// In the order of ServiceMetrics::Counter.
constexpr std::array<Figure, 14> counterFigures{{
    {"vort_messages_received_total", "Real-time messages received from units.", nullptr, quellix},
    {"vort_answers_sent_total", "Acknowledgements sent to units.", nullptr, quellix},
    {"vort_commands_sent_total", "Operator commands sent with an acknowledgement.", nullptr,
     quellix},
    {"vort_commands_expired_total", "Operator commands given up before any unit took them.",
     nullptr, quellix},
    {"vort_transfers_total", "Transfers ended, by outcome.", "downloaded", server},
    {"vort_transfers_total", "Transfers ended, by outcome.", "gave_up", server},
    {"vort_transfers_total", "Transfers ended, by outcome.", "nothing_sent", server},
    {"vort_packets_sent_total", "Packets sent to units for the first time.", nullptr, server},
    {"vort_packets_resent_total", "Packets sent again after a refusal or a time-out.", nullptr,
     server},
    {"vort_timeouts_total", "Packets a unit left unanswered within the wait.", nullptr, server},
    {"vort_busy_refusals_total", "Requests refused because every session was taken.", nullptr,
     server},
    {"vort_stranger_datagrams_total", "Datagrams that were no request, from no unit being served.",
     nullptr, server},
    {"vort_store_rows_written_total", "Rows written to the fleet store.", nullptr,
     server | quellix},
    {"vort_store_rows_dropped_total", "Rows the fleet store could not keep.", nullptr,
     server | quellix},
}};

// In the order of ServiceMetrics::Gauge.
constexpr std::array<Figure, 3> gaugeFigures{{
    {"vort_units_known", "Units heard since start-up.", nullptr, quellix},
    {"vort_transfers_running", "Transfers in progress.", nullptr, server},
    {"vort_store_queue_depth", "Rows waiting to be written to the fleet store.", nullptr,
     server | quellix},
}};
} // namespace

struct ServiceMetrics::Figures
{
    std::shared_ptr<prometheus::Registry> registry = std::make_shared<prometheus::Registry>();
    std::array<prometheus::Counter *, counterFigures.size()> counters{};
    std::array<prometheus::Gauge *, gaugeFigures.size()> gauges{};
    std::unique_ptr<prometheus::Exposer> exposer;
    QString url;
};

ServiceMetrics::ServiceMetrics(Program program) : m_figures(std::make_unique<Figures>())
{
    const unsigned mine = 1U << unsigned(program);
    std::map<std::string, prometheus::Family<prometheus::Counter> *> families;
    for (std::size_t i = 0; i < counterFigures.size(); ++i) {
        const Figure &figure = counterFigures[i];
        if ((figure.programs & mine) == 0)
            continue;
        auto &family = families[figure.name];
        if (!family)
            family = &prometheus::BuildCounter()
                          .Name(figure.name)
                          .Help(figure.help)
                          .Register(*m_figures->registry);
        m_figures->counters[i] =
            figure.outcome ? &family->Add({{"outcome", figure.outcome}}) : &family->Add({});
    }
    for (std::size_t i = 0; i < gaugeFigures.size(); ++i) {
        const Figure &figure = gaugeFigures[i];
        if ((figure.programs & mine) != 0)
            m_figures->gauges[i] = &prometheus::BuildGauge()
                                        .Name(figure.name)
                                        .Help(figure.help)
                                        .Register(*m_figures->registry)
                                        .Add({});
    }
}

ServiceMetrics::~ServiceMetrics() = default;

QString ServiceMetrics::serve(const QString &endpointText)
{
    const std::optional<Endpoint> endpoint = parseEndpoint(endpointText);
    if (!endpoint)
        return QStringLiteral("not [ADDRESS:]PORT");
    const bool ipv6 = endpoint->address.contains(u':');
    const QString host = ipv6 ? u'[' + endpoint->address + u']' : endpoint->address;
    try {
        auto exposer = std::make_unique<prometheus::Exposer>(
            QStringLiteral("%1:%2").arg(host).arg(endpoint->port).toStdString());
        exposer->RegisterCollectable(m_figures->registry);
        const std::vector<int> ports = exposer->GetListeningPorts();
        m_figures->url = QStringLiteral("http://%1:%2/metrics")
                             .arg(host)
                             .arg(ports.empty() ? int(endpoint->port) : ports.front());
        m_figures->exposer = std::move(exposer);
    } catch (const std::exception &error) {
        return QString::fromLocal8Bit(error.what());
    }
    return {};
}

QString ServiceMetrics::url() const
{
    return m_figures->url;
}

void ServiceMetrics::add(Counter counter, quint64 count)
{
    if (prometheus::Counter *figure = m_figures->counters[std::size_t(counter)])
        figure->Increment(double(count));
}

void ServiceMetrics::catchUp(Counter counter, quint64 total)
{
    prometheus::Counter *figure = m_figures->counters[std::size_t(counter)];
    if (figure && double(total) > figure->Value())
        figure->Increment(double(total) - figure->Value());
}

void ServiceMetrics::set(Gauge gauge, double value)
{
    if (prometheus::Gauge *figure = m_figures->gauges[std::size_t(gauge)])
        figure->Set(value);
}

#else

struct ServiceMetrics::Figures
{
};

ServiceMetrics::ServiceMetrics(Program) {}
ServiceMetrics::~ServiceMetrics() = default;

QString ServiceMetrics::serve(const QString &endpoint)
{
    return parseEndpoint(endpoint) ? QStringLiteral("built without prometheus-cpp")
                                   : QStringLiteral("not [ADDRESS:]PORT");
}

QString ServiceMetrics::url() const
{
    return {};
}

void ServiceMetrics::add(Counter, quint64) {}
void ServiceMetrics::catchUp(Counter, quint64) {}
void ServiceMetrics::set(Gauge, double) {}

#endif
