// Server serving a fleet on loopback: the real `Server --headless --sessions N --quiet` process
// against the simulated fleet (UnitFleet, in this process, each unit on its own port).
// - 1,000 units each downloading the 46,080-character operating system file, every
//   acknowledgement 200 ms after its packet, against one unit alone with the same delay;
// - the Server process's processor time per packet for each kind (1,000 units at once, no
//   delay), against the bare UDP round trip of the floor program;
// - the Server process's peak resident memory over the 1,000-unit run;
// - the same 1,000-unit run with a store (--store) on a SQLite file and, when PGHOST names a
//   PostgreSQL server (run it under pg_virtualenv), on PostgreSQL: its wall time and the Server's
//   processor time against the run without a store, and the transfers the store holds;
// - the same 200 ms run with 10,000 units, reported.
#include "common/store/store_location.h"
#include "config_tool/configuration/configuration_file.h"
#include "location_table/location_table_file.h"
#include "support/bench_report.h"
#include "support/program_process.h"
#include "support/server_fixture.h"
#include "support/valid_configuration.h"
#include "unit_simulator/unit_fleet.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <csignal>
#include <cstdio>

namespace {

constexpr int osFileSize = 46080;

struct FleetRun
{
    int completed = 0;
    int units = 0;
    qint64 packets = 0;
    double seconds = 0;
    double serverCpuSeconds = 0;
    double serverPeakMb = 0;
};

class ServerFiles
{
public:
    ServerFiles()
    {
        QDir(m_dir.path()).mkpath(QStringLiteral("os/V610"));
        QByteArray os(osFileSize, 'x');
        for (int i = 0; i < osFileSize; ++i)
            os[i] = "0123456789ABCDEF"[i % 16];
        write(QStringLiteral("os/V610/os.bin"), os);
        write(QStringLiteral("cfg1.txt"),
              configurationFileContent(TestSupport::validConfiguration()));
        QStringList cells;
        for (int row = 0; row < 100; ++row)
            cells << QString::number(row) << QStringLiteral("51.4523") << QStringLiteral("0.4567");
        write(QStringLiteral("table.txt"), LocationTableFile::write(cells));
    }
    QString path(const QString &relative) const { return m_dir.filePath(relative); }

private:
    void write(const QString &relative, const QByteArray &content) const
    {
        QFile file(path(relative));
        if (file.open(QIODevice::WriteOnly))
            file.write(content);
    }
    QTemporaryDir m_dir;
};

long peakResidentKb(qint64 pid)
{
    QFile file(QStringLiteral("/proc/%1/status").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : file.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

// One Server process, one fleet against it; the fleet's figures and the server's.
// With a store (a location for --store), the Server records each transfer there.
FleetRun runFleet(const ServerFiles &files, int units, int answerDelayMs, const QByteArray &request,
                  const QString &store = {})
{
    QStringList arguments{QStringLiteral("--headless"),
                          QStringLiteral("--port"),
                          QStringLiteral("0"),
                          QStringLiteral("--base"),
                          files.path(QStringLiteral("os")),
                          QStringLiteral("--config"),
                          files.path(QStringLiteral("cfg1.txt")),
                          QStringLiteral("--gps"),
                          files.path(QStringLiteral("table.txt")),
                          QStringLiteral("--sessions"),
                          QString::number(RemoteDownload::maximumSessions),
                          QStringLiteral("--quiet")};
    if (!store.isEmpty())
        arguments << QStringLiteral("--store") << store;
    ProgramProcess server(QStringLiteral(SERVER_PATH), arguments, files.path(QString()));
    FleetRun run;
    run.units = units;
    const quint16 port = server.startListening();
    if (port == 0) {
        std::fprintf(stderr, "bench_server_fleet: Server did not start\n");
        return run;
    }
    const double cpuBefore = Bench::processCpuSeconds(server.processId());
    UnitFleet::Options options;
    options.port = port;
    options.units = units;
    options.answerDelayMs = answerDelayMs;
    options.request = request;
    options.quietMs = 60000;
    UnitFleet fleet(options);
    QEventLoop loop;
    QObject::connect(&fleet, &UnitFleet::finished, &loop, &QEventLoop::quit);
    if (!fleet.start()) {
        std::fprintf(stderr, "bench_server_fleet: cannot open %d ports\n", units);
        return run;
    }
    loop.exec();
    run.serverCpuSeconds = Bench::processCpuSeconds(server.processId()) - cpuBefore;
    run.serverPeakMb = peakResidentKb(server.processId()) / 1024.0;
    run.completed = fleet.completed();
    run.packets = fleet.packets();
    run.seconds = fleet.elapsedMs() / 1000.0;
    // The fleet ends with each unit's last packet; its acknowledgement follows after the delay.
    // One SIGTERM lets the transfers still waiting for it end (and be recorded) as they are; a
    // second cuts what is left.
    server.signal(SIGTERM);
    if (!server.waitForExit()) {
        server.signal(SIGTERM);
        server.waitForExit();
    }
    // The server's log grows by two lines per transfer; each run starts it afresh.
    QFile::remove(files.path(QStringLiteral("log.txt")));
    return run;
}

// The operating system downloads the store holds as downloaded; -1 when it cannot say.
long long downloadedTransfers(const QString &store)
{
    long long rows = -1;
    {
        QSqlDatabase database = StoreLocation::parse(store).connection(QStringLiteral("bench"));
        if (database.open()) {
            QSqlQuery query(QStringLiteral("SELECT count(*) FROM transfers WHERE kind = 'UPLOAD' "
                                           "AND outcome = 'downloaded'"),
                            database);
            if (query.next())
                rows = query.value(0).toLongLong();
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("bench"));
    return rows;
}

QString completedNote(const FleetRun &run)
{
    return run.completed == run.units
               ? QString()
               : QStringLiteral(" [%1 of %2 complete]").arg(run.completed).arg(run.units);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const Bench::Options options = Bench::parseOptions(app.arguments());
    const ServerFiles files;
    const int units = options.quick ? 100 : 1000;
    const int delayMs = options.quick ? 20 : 200;

    const double floor = Bench::bestUdpRoundTrip(QStringLiteral(FLOOR_UDP_PATH), options);
    if (floor <= 0) {
        std::fprintf(stderr, "bench_server_fleet: the floor program failed\n");
        return 1;
    }

    const FleetRun alone = runFleet(files, 1, delayMs, "VORT01,V610,UPLOAD");
    const FleetRun fleet = runFleet(files, units, delayMs, "VORT01,V610,UPLOAD");
    Bench::print({QStringLiteral("Server fleet: %1 units x 46,080 characters, %2 ms before each "
                                 "acknowledgement%3")
                      .arg(units)
                      .arg(delayMs)
                      .arg(completedNote(fleet)),
                  fleet.seconds, alone.seconds, QStringLiteral("s"),
                  QStringLiteral("one unit alone, same delay"), QStringLiteral("<= 1.3x"),
                  fleet.completed == units && fleet.seconds <= 1.3 * alone.seconds});
    Bench::print({QStringLiteral("Server fleet: peak resident memory, %1 units").arg(units),
                  fleet.serverPeakMb, 100, QStringLiteral("MB"), QStringLiteral("the limit"),
                  QStringLiteral("< 100 MB"), fleet.serverPeakMb < 100});

    QTemporaryDir storeDirectory;
    QStringList stores{storeDirectory.filePath(QStringLiteral("fleet.db"))};
    if (qEnvironmentVariableIsSet("PGHOST")) {
        stores << QStringLiteral("postgresql://%1@%2:%3/%4")
                      .arg(qEnvironmentVariable("PGUSER"), qEnvironmentVariable("PGHOST"),
                           qEnvironmentVariable("PGPORT"), qEnvironmentVariable("PGDATABASE"));
    }
    for (const QString &store : std::as_const(stores)) {
        const FleetRun stored = runFleet(files, units, delayMs, "VORT01,V610,UPLOAD", store);
        const QString name =
            QStringLiteral("Server fleet --store %1: %2 units x 46,080 characters, %3 ms")
                .arg(Bench::storeKind(store))
                .arg(units)
                .arg(delayMs);
        Bench::print({name + QStringLiteral(", wall time") + completedNote(stored), stored.seconds,
                      fleet.seconds, QStringLiteral("s"), QStringLiteral("without a store"),
                      QStringLiteral("<= 1.1x"),
                      stored.completed == units && stored.seconds <= 1.1 * fleet.seconds});
        Bench::print({name + QStringLiteral(", Server processor time"), stored.serverCpuSeconds,
                      fleet.serverCpuSeconds, QStringLiteral("s"),
                      QStringLiteral("without a store"), QStringLiteral("reported"), true});
        const long long downloaded = downloadedTransfers(store);
        Bench::print({name + QStringLiteral(", transfers recorded as downloaded"),
                      double(downloaded), double(units), QStringLiteral("transfers"),
                      QStringLiteral("units"), QStringLiteral("all"), downloaded == units});
    }

    struct Kind
    {
        const char *name;
        QByteArray request;
        int units;
    };
    const Kind kinds[] = {{"operating system file", "VORT01,V610,UPLOAD", options.quick ? 20 : 100},
                          {"CONFIG", "VORT01,Q007CONFIG", units},
                          {"GPSLOC", "VORT01,V610,GPSLOC", units}};
    for (const Kind &kind : kinds) {
        const FleetRun run = runFleet(files, kind.units, 0, kind.request);
        const double perPacket = run.packets > 0 ? run.serverCpuSeconds * 1e6 / run.packets : -1;
        Bench::print({QStringLiteral("Server fleet: processor time per packet, %1 (%2 units at "
                                     "once)%3")
                          .arg(QLatin1String(kind.name))
                          .arg(kind.units)
                          .arg(completedNote(run)),
                      perPacket, floor, QStringLiteral("us/packet"),
                      QStringLiteral("bare UDP round trip"), QStringLiteral("<= 3x"),
                      perPacket > 0 && perPacket <= 3 * floor});
    }

    if (!options.quick) {
        const FleetRun large = runFleet(files, 10000, delayMs, "VORT01,V610,UPLOAD");
        Bench::print({QStringLiteral("Server fleet: 10,000 units x 46,080 characters, %1 ms "
                                     "before each acknowledgement (reported; peak %2 MB)%3")
                          .arg(delayMs)
                          .arg(large.serverPeakMb, 0, 'f', 1)
                          .arg(completedNote(large)),
                      large.seconds, alone.seconds, QStringLiteral("s"),
                      QStringLiteral("one unit alone, same delay"), QStringLiteral("reported"),
                      large.completed == 10000});
    }
    return 0;
}
