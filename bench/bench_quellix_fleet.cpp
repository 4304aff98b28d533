// Quellix answering a fleet: the real program (--headless, its activity lines to /dev/null)
// against many simulated units in this process, each a UDP socket of its own reporting once a
// second, spread evenly over the second. Rows: messages answered, each answer's delay after its
// message less the pause, the program's processor time per message against the bare UDP round
// trip of this run, its peak memory against the same program listening idle; then the same
// with a store (--store) on a SQLite file and, when PGHOST names a PostgreSQL server (run it under
// pg_virtualenv), on PostgreSQL: the rows it kept, and its 99th percentile delay against the run
// without a store; and the idle cost. Then, for each store, the claims: one command queued in
// the store (through FleetStore, as a running program queues it) for each of 1,000 units before
// the fleet reports for 10 s: the units that got their own command exactly once, the commands the
// store marks sent, and the delay of the answers carrying one against those without, same run.
//   bench_quellix_fleet [--quick] [--units N] [--seconds S]     (default 5000 units, 60 s)
#include "support/bench_report.h"

#include "common/store/fleet_store.h"
#include "common/store/store_location.h"
#include "realtime_receiver/receiver_text.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include <arpa/inet.h>
#include <csignal>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/epoll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr int messageSize = 64;

long peakResidentKb(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

quint16 freePort()
{
    const int fd = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0) {
        close(fd);
        return 0;
    }
    getsockname(fd, reinterpret_cast<sockaddr *>(&address), &length);
    close(fd);
    return ntohs(address.sin_port);
}

struct Quellix
{
    Quellix(quint16 port, const QString &store)
    {
        QStringList arguments{QStringLiteral("--headless"), QStringLiteral("--port"),
                              QString::number(port)};
        if (!store.isEmpty())
            arguments << QStringLiteral("--store") << store;
        process.setStandardOutputFile(QProcess::nullDevice());
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start(QStringLiteral(QUELLIX_PATH), arguments);
        process.waitForStarted();
    }
    // Why the fleet got no answer, in one line.
    QByteArray notAnswering()
    {
        if (!process.waitForFinished(0))
            return "Quellix did not answer";
        // Its lines go to /dev/null: "Cannot listen" among them when the port was taken.
        return "Quellix ended with exit status " + QByteArray::number(process.exitCode());
    }
    ~Quellix()
    {
        if (process.state() != QProcess::NotRunning) {
            ::kill(pid_t(process.processId()), SIGTERM);
            if (!process.waitForFinished(10000))
                process.kill();
        }
    }
    QProcess process;
};

struct FleetResult
{
    long long sent = 0;
    long long answered = 0;
    std::vector<double> delayMs;        // after the message, less the pause; no command
    std::vector<double> delayAtSeconds; // when each of delayMs came, from the start
    std::vector<double> commandDelayMs; // the same, of the answers carrying a command
    std::vector<int> ownCommands;       // per unit: answers carrying the unit's own command
    long long commandAnswers = 0;       // answers carrying any command
    double lastCommandSeconds = 0;      // from the start to the last answer carrying one
    double cpuSeconds = 0;
    long peakKb = 0;
};

// The fleet: unit i sends at i/units of each second, for the given seconds.
bool runFleet(quint16 port, qint64 quellixPid, int units, int seconds, FleetResult &result)
{
    const int epoll = epoll_create1(0);
    std::vector<int> sockets;
    sockaddr_in receiver{};
    receiver.sin_family = AF_INET;
    receiver.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    receiver.sin_port = htons(port);
    for (int i = 0; i < units; ++i) {
        const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK, 0);
        if (fd < 0 || connect(fd, reinterpret_cast<sockaddr *>(&receiver), sizeof receiver) != 0) {
            std::fprintf(stderr, "bench_quellix_fleet: cannot open unit socket %d\n", i);
            return false;
        }
        epoll_event event{};
        event.events = EPOLLIN;
        event.data.u32 = uint32_t(i);
        epoll_ctl(epoll, EPOLL_CTL_ADD, fd, &event);
        sockets.push_back(fd);
    }
    auto message = [](int unit, int n) {
        QByteArray text =
            'U' + QByteArray::number(unit).rightJustified(5, '0') + ",POS," + QByteArray::number(n);
        return text.leftJustified(messageSize, '.');
    };

    // An answer is the identifier, ",1", the command if any, and CR; a unit's command is
    // "R" and its number (see queueCommands()).
    result.ownCommands.assign(size_t(units), 0);
    auto carriesCommand = [&](int unit, const char *text, ssize_t length) {
        if (length <= 9)
            return false;
        ++result.commandAnswers;
        if (QByteArray(text + 8, int(length) - 9) == 'R' + QByteArray::number(unit))
            ++result.ownCommands[size_t(unit)];
        return true;
    };

    // Until Quellix answers, it is still starting.
    // (A probe sent before it listens comes back as an error on the socket, not as an answer.)
    bool listening = false;
    char answer[128];
    for (int attempt = 0; attempt < 100 && !listening; ++attempt) {
        const QByteArray probe = message(0, -1);
        send(sockets[0], probe.constData(), size_t(probe.size()), 0);
        epoll_event event{};
        if (epoll_wait(epoll, &event, 1, 100) == 1) {
            const ssize_t length = recv(sockets[0], answer, sizeof answer, 0);
            listening = length > 0;
            if (listening)
                carriesCommand(0, answer, length);
            else
                QThread::msleep(100); // refused: still starting
        }
    }
    if (!listening)
        return false;

    const double pauseMs = double(ReceiverText::answerPause.count());
    std::vector<qint64> sentAt(size_t(units), 0);
    std::vector<epoll_event> events(512);
    const qint64 periodNs = 1000000000LL;
    // The probe answered above: its message and answer are the record's first two rows.
    const long long total = static_cast<long long>(units) * seconds;
    result.delayMs.reserve(size_t(total));
    const double cpuStart = Bench::processCpuSeconds(quellixPid);
    const qint64 start = Bench::monotonicNs();
    auto dueNs = [&](long long k) {
        return start + (k % units) * periodNs / units + (k / units) * periodNs;
    };
    long long next = 0;
    qint64 lastAnswerNs = start;
    const qint64 drainNs = 2000000000LL; // answers still on their way at the end
    for (;;) {
        const qint64 now = Bench::monotonicNs();
        while (next < total && dueNs(next) <= now) {
            const int unit = int(next % units);
            const QByteArray text = message(unit, int(next / units));
            sentAt[size_t(unit)] = Bench::monotonicNs();
            if (send(sockets[size_t(unit)], text.constData(), size_t(text.size()), 0) ==
                text.size())
                ++result.sent;
            ++next;
        }
        if (next == total && (result.answered == result.sent || now - lastAnswerNs > drainNs))
            break;
        const qint64 wait = next < total ? dueNs(next) - Bench::monotonicNs() : 100000000;
        // Whole milliseconds, rounded up: the units due in one millisecond go together, and
        // this process sleeps between them instead of spinning beside the receiver.
        const int count = epoll_wait(epoll, events.data(), int(events.size()),
                                     int(qMax<qint64>(0, (wait + 999999) / 1000000)));
        for (int e = 0; e < count; ++e) {
            const int unit = int(events[size_t(e)].data.u32);
            ssize_t length = 0;
            while ((length = recv(sockets[size_t(unit)], answer, sizeof answer, 0)) > 0) {
                lastAnswerNs = Bench::monotonicNs();
                ++result.answered;
                const double delay = (lastAnswerNs - sentAt[size_t(unit)]) / 1e6 - pauseMs;
                if (carriesCommand(unit, answer, length)) {
                    result.commandDelayMs.push_back(delay);
                    result.lastCommandSeconds = (lastAnswerNs - start) / 1e9;
                } else {
                    result.delayMs.push_back(delay);
                    result.delayAtSeconds.push_back((lastAnswerNs - start) / 1e9);
                }
            }
        }
    }
    result.cpuSeconds = Bench::processCpuSeconds(quellixPid) - cpuStart;
    result.peakKb = peakResidentKb(quellixPid);
    for (const int fd : sockets)
        close(fd);
    close(epoll);
    return true;
}

double percentile(std::vector<double> values, double fraction)
{
    if (values.empty())
        return -1;
    std::sort(values.begin(), values.end());
    return values[size_t(fraction * double(values.size() - 1))];
}

// The first value of the query's first row: a count; -1 when the store cannot say.
long long storeCount(const QString &store, const QString &sql)
{
    long long rows = -1;
    {
        QSqlDatabase database = StoreLocation::parse(store).connection(QStringLiteral("bench"));
        if (database.open()) {
            QSqlQuery query(sql, database);
            if (query.next())
                rows = query.value(0).toLongLong();
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("bench"));
    return rows;
}

// One command for each unit, "R" and its number, queued as a running Quellix queues an
// operator's command; written when the store is closed. The commands pending afterwards.
long long queueCommands(const QString &store, int units)
{
    {
        StoreSettings settings;
        settings.location = store;
        FleetStore fleetStore(settings);
        fleetStore.start();
        for (int unit = 0; unit < units; ++unit) {
            fleetStore.queueCommand(QString::fromLatin1(QByteArray(
                                        'U' + QByteArray::number(unit).rightJustified(5, '0'))),
                                    QStringLiteral("R%1").arg(unit));
        }
    }
    return storeCount(store,
                      QStringLiteral("SELECT count(*) FROM commands WHERE state = 'pending'"));
}

// Quellix listening with no traffic: its processor time over the window and its peak memory.
void idleQuellix(int seconds, double &percent, long &peakKb)
{
    Quellix quellix(freePort(), {});
    QThread::msleep(1000); // counted once it has started up
    const double cpuStart = Bench::processCpuSeconds(quellix.process.processId());
    const qint64 wallStart = Bench::monotonicNs();
    QThread::msleep(static_cast<unsigned long>(seconds) * 1000);
    const double cpu = Bench::processCpuSeconds(quellix.process.processId()) - cpuStart;
    percent = 100.0 * cpu / ((Bench::monotonicNs() - wallStart) / 1e9);
    peakKb = peakResidentKb(quellix.process.processId());
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const Bench::Options options = Bench::parseOptions(app.arguments());
    int units = options.quick ? 200 : 5000;
    int seconds = options.quick ? 3 : 60;
    const QStringList arguments = app.arguments();
    for (qsizetype i = 1; i + 1 < arguments.size(); ++i) {
        if (arguments[i] == QStringLiteral("--units"))
            units = arguments[i + 1].toInt();
        if (arguments[i] == QStringLiteral("--seconds"))
            seconds = arguments[i + 1].toInt();
    }
    // One socket per unit.
    rlimit files{};
    getrlimit(RLIMIT_NOFILE, &files);
    files.rlim_cur = files.rlim_max;
    setrlimit(RLIMIT_NOFILE, &files);

    const double floor = Bench::bestUdpRoundTrip(QStringLiteral(FLOOR_UDP_PATH), options);
    double idlePercent = 0;
    long idlePeakKb = 0;
    idleQuellix(options.idleSeconds, idlePercent, idlePeakKb);
    if (floor <= 0 || idlePeakKb <= 0) {
        std::fprintf(stderr, "bench_quellix_fleet: the floor or the idle program failed\n");
        return 1;
    }

    QTemporaryDir directory;
    bool ok = true;
    QStringList stores{QString(), directory.filePath(QStringLiteral("fleet.db"))};
    if (qEnvironmentVariableIsSet("PGHOST")) {
        stores << QStringLiteral("postgresql://%1@%2:%3/%4")
                      .arg(qEnvironmentVariable("PGUSER"), qEnvironmentVariable("PGHOST"),
                           qEnvironmentVariable("PGPORT"), qEnvironmentVariable("PGDATABASE"));
    }
    double p99WithoutStore = 0;
    for (const QString &store : stores) {
        const bool record = !store.isEmpty();
        const quint16 port = freePort();
        FleetResult result;
        {
            Quellix quellix(port, store);
            if (!runFleet(port, quellix.process.processId(), units, seconds, result)) {
                std::fprintf(stderr, "bench_quellix_fleet: %s\n",
                             quellix.notAnswering().constData());
                return 1;
            }
        }
        const QString kind = QStringLiteral(" --store ") + Bench::storeKind(store);
        const QString name = QStringLiteral("Quellix fleet%1: %2 units x %3 s")
                                 .arg(record ? kind : QString())
                                 .arg(units)
                                 .arg(seconds);
        Bench::print({name + QStringLiteral(", messages answered"), double(result.answered),
                      double(result.sent), QStringLiteral("messages"),
                      QStringLiteral("messages sent"), QStringLiteral("all"),
                      result.answered == result.sent});
        const double p50 = percentile(result.delayMs, 0.5);
        const double p99 = percentile(result.delayMs, 0.99);
        Bench::print({name + QStringLiteral(", answer delay less the pause, median"), p50, 5.0,
                      QStringLiteral("ms"), QStringLiteral("the limit"), QStringLiteral("< 5 ms"),
                      p50 < 5.0});
        Bench::print({name + QStringLiteral(", answer delay less the pause, 99th percentile"), p99,
                      5.0, QStringLiteral("ms"), QStringLiteral("the limit"),
                      QStringLiteral("< 5 ms"), p99 < 5.0});
        const double perMessageUs = result.cpuSeconds * 1e6 / double(qMax(1LL, result.sent));
        Bench::print({name + QStringLiteral(", processor time per message"), perMessageUs, floor,
                      QStringLiteral("us"), QStringLiteral("bare UDP round trip"),
                      QStringLiteral("<= 3x"), perMessageUs <= 3 * floor});
        Bench::print({name + QStringLiteral(", peak memory"), result.peakKb / 1024.0,
                      idlePeakKb / 1024.0, QStringLiteral("MB"), QStringLiteral("the program idle"),
                      QStringLiteral("<= 2x"), result.peakKb <= 2 * idlePeakKb});
        if (!record)
            p99WithoutStore = p99;
        if (record) {
            const long long rows =
                storeCount(store, QStringLiteral("SELECT count(*) FROM traffic"));
            Bench::print({name + QStringLiteral(", rows recorded"), double(rows),
                          double(result.sent + result.answered + 2), QStringLiteral("rows"),
                          QStringLiteral("messages and answers"), QStringLiteral("all"),
                          rows == result.sent + result.answered + 2});
            Bench::print({name + QStringLiteral(", rows kept up per second"),
                          double(rows) / seconds, double(result.sent + result.answered) / seconds,
                          QStringLiteral("rows/s"), QStringLiteral("rows/s offered"),
                          QStringLiteral("all"), rows == result.sent + result.answered + 2});
            Bench::print({name + QStringLiteral(", 99th percentile delay over the pause"), p99,
                          p99WithoutStore, QStringLiteral("ms"), QStringLiteral("without a store"),
                          QStringLiteral("+ 1 ms at most"), p99 <= p99WithoutStore + 1.0});
        }
        ok = ok && result.answered == result.sent;
    }
    // The claims: a store of their own (a new SQLite file; the PostgreSQL run's commands are
    // its only ones).
    const int claimUnits = options.quick ? 200 : 1000;
    const int claimSeconds = options.quick ? 3 : 10;
    stores[1] = directory.filePath(QStringLiteral("claims.db"));
    for (const QString &store : stores.mid(1)) {
        const long long queued = queueCommands(store, claimUnits);
        const quint16 port = freePort();
        FleetResult result;
        {
            Quellix quellix(port, store);
            if (queued != claimUnits) {
                std::fprintf(stderr, "bench_quellix_fleet: %lld commands pending of %d queued\n",
                             queued, claimUnits);
                return 1;
            }
            if (!runFleet(port, quellix.process.processId(), claimUnits, claimSeconds, result)) {
                std::fprintf(stderr, "bench_quellix_fleet: %s\n",
                             quellix.notAnswering().constData());
                return 1;
            }
        }
        const long long sent = storeCount(
            store, QStringLiteral("SELECT count(*) FROM commands WHERE state = 'sent' AND "
                                  "acknowledgement IS NOT NULL"));
        const long long once =
            std::count(result.ownCommands.cbegin(), result.ownCommands.cend(), 1);
        const QString name =
            QStringLiteral("Quellix claims --store %1: %2 commands for %2 units x %3 s")
                .arg(Bench::storeKind(store))
                .arg(claimUnits)
                .arg(claimSeconds);
        const bool delivered = once == claimUnits && result.commandAnswers == claimUnits;
        Bench::print({name + QStringLiteral(", each unit's own command delivered once (%1 "
                                            "answers carried one; the last %2 s after the start)")
                                 .arg(result.commandAnswers)
                                 .arg(result.lastCommandSeconds, 0, 'f', 1),
                      double(once), double(claimUnits), QStringLiteral("units"),
                      QStringLiteral("commands queued"), QStringLiteral("all, none twice"),
                      delivered});
        Bench::print({name + QStringLiteral(", marked sent in the store with their answer"),
                      double(sent), double(claimUnits), QStringLiteral("commands"),
                      QStringLiteral("commands queued"), QStringLiteral("all"),
                      sent == claimUnits});
        // The claims come in a burst at the start: against the answers without one over the
        // same seconds and one more report (the burst may hold every unit's first answer).
        std::vector<double> sameSeconds;
        for (size_t i = 0; i < result.delayMs.size(); ++i) {
            if (result.delayAtSeconds[i] <= result.lastCommandSeconds + 1.0)
                sameSeconds.push_back(result.delayMs[i]);
        }
        const char *const quantiles[] = {"median", "99th percentile"};
        for (const char *quantile : quantiles) {
            const double fraction = std::strcmp(quantile, "median") == 0 ? 0.5 : 0.99;
            const double withCommand = percentile(result.commandDelayMs, fraction);
            const double without = percentile(sameSeconds, fraction);
            Bench::print({name + QStringLiteral(", answer delay less the pause with a command, ") +
                              QLatin1String(quantile),
                          withCommand, without, QStringLiteral("ms"),
                          QStringLiteral("answers without one, same seconds"),
                          QStringLiteral("+ 1 ms at most"), withCommand <= without + 1.0});
        }
        ok = ok && delivered && sent == claimUnits && result.answered == result.sent;
    }
    Bench::print(
        {QStringLiteral("Idle: Quellix --headless listening (%1 s)").arg(options.idleSeconds),
         idlePercent, 1.0, QStringLiteral("% CPU"), QStringLiteral("the limit"),
         QStringLiteral("< 1 % of wall time"), idlePercent < 1.0});
    return ok ? 0 : 1;
}
