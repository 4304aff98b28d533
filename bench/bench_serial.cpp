// The serial exchanges of vortsetup against vortsim over a pseudo-terminal, through the
// session, the operation engine, the production serial layer and the real phases:
// - the three uploads, each unit character answered by the PC, per exchanged character against
//   the floor program's bare round trip on a pseudo-terminal;
// - the configuration download, paced by the PC alone, against the time the line itself needs;
// - the processor time of a run that keeps waking a unit that never answers.
// The clock starts at the first character of the phase, so the wake-up, the password and the
// unit's own start delays are left out: they are waits the exchange mandates.
// The bench and every process it starts share one processor (Linux; --spread leaves them to the
// scheduler): a pair of processes on two processors of a virtual machine made the bare round
// trip three times quicker or not by where they landed, and the ratios swung with it.
#include "link/operation.h"
#include "link/qt_serial_port.h"
#include "session/unit_session.h"
#include "support/bench_report.h"
#include "support/main_window_bench.h"
#include "support/valid_configuration.h"
#include "support/vortsim_process.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <optional>

#ifdef Q_OS_LINUX
#include <sched.h>
#endif

namespace {

// The production port, noting when each character was written and read.
class TimingSerialPort : public QtSerialPort
{
public:
    using QtSerialPort::QtSerialPort;

    struct Transfer
    {
        qint64 ns;
        bool fromUnit;
        QByteArray characters;
    };

    QByteArray readAll() override
    {
        QByteArray characters = QtSerialPort::readAll();
        if (!characters.isEmpty())
            transfers.push_back({Bench::monotonicNs(), true, characters});
        return characters;
    }
    bool write(const QByteArray &characters) override
    {
        transfers.push_back({Bench::monotonicNs(), false, characters});
        return QtSerialPort::write(characters);
    }

    std::vector<Transfer> transfers;
};

// One session with a started vortsim behind COM1, noting when the phase's status button comes
// up: the phase has started.
struct SerialRig
{
    explicit SerialRig(const VortsimProcess &unit) : port(unit.comOne()), session(port, 1000)
    {
        QObject::connect(
            &session, &UnitSession::statusChanged, &session, [this](StatusItem item, bool on) {
                if (on &&
                    item == Operation::transferStatus(session.engine().context().operationCode)) {
                    phaseStartNs = Bench::monotonicNs();
                    phaseFirstTransfer = port.transfers.size();
                }
            });
    }

    // Runs the operation; false unless it ended with the expected message.
    bool run(int code, const QString &expectedPrompt)
    {
        port.transfers.clear();
        phaseFirstTransfer = 0;
        const std::optional<OperationOutcome> outcome = runToEnd(session, code);
        if (outcome && outcome->message && outcome->message->prompt == expectedPrompt)
            return true;
        std::fprintf(stderr, "bench_serial: operation %d ended with \"%s\"\n", code,
                     outcome && outcome->message ? qPrintable(outcome->message->prompt)
                                                 : "no message");
        return false;
    }

    // Microseconds per exchange: from the unit's first character of the phase to its count-th,
    // divided by the count - 1 round trips between them.
    std::optional<double> perExchange(int count) const
    {
        int seen = 0;
        qint64 first = 0;
        for (size_t i = phaseFirstTransfer; i < port.transfers.size(); ++i) {
            const TimingSerialPort::Transfer &transfer = port.transfers[i];
            if (!transfer.fromUnit)
                continue;
            for (qsizetype c = 0; c < transfer.characters.size(); ++c, ++seen) {
                if (seen == 0)
                    first = transfer.ns;
                if (seen == count - 1)
                    return (transfer.ns - first) / 1000.0 / (count - 1);
            }
        }
        return std::nullopt;
    }

    // Milliseconds from the phase's status button to the read that completed "OK".
    std::optional<double> untilOk() const
    {
        QByteArray received;
        for (size_t i = phaseFirstTransfer; i < port.transfers.size(); ++i) {
            const TimingSerialPort::Transfer &transfer = port.transfers[i];
            if (!transfer.fromUnit)
                continue;
            received += transfer.characters;
            if (received.contains("OK"))
                return (transfer.ns - phaseStartNs) / 1e6;
        }
        return std::nullopt;
    }

    TimingSerialPort port;
    UnitSession session;
    qint64 phaseStartNs = 0;
    size_t phaseFirstTransfer = 0;
};

struct Upload
{
    const char *name;
    int code;
    QString prompt;
    int characters; // characters from the unit, each but the last answered
};

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const Bench::Options options = Bench::parseOptions(app.arguments());
#ifdef Q_OS_LINUX
    if (!app.arguments().contains(QStringLiteral("--spread"))) {
        cpu_set_t one;
        CPU_ZERO(&one);
        CPU_SET(sched_getcpu(), &one);
        if (sched_setaffinity(0, sizeof one, &one) == 0)
            std::fprintf(stderr, "bench_serial: the bench, vortsim and the floor on processor %d\n",
                         sched_getcpu());
    }
#endif
    QTemporaryDir directory; // the position log's CSV files land here
    QDir::setCurrent(directory.path());
    // Rounds of floor, uploads and download in turn; on a shared machine the best of each is
    // the figure least disturbed by other work.
    const int rounds = options.quick ? 1 : 5;
    const int records = options.quick ? 50 : 1000;
    const QString floorExchanges = QString::number(options.quick ? 1000 : 2000);

    VortsimProcess unit({QStringLiteral("--positions"), QString::number(records)});
    if (!unit.start()) {
        std::fprintf(stderr, "bench_serial: vortsim did not start\n");
        return 1;
    }
    SerialRig rig(unit);
    rig.session.configuration().setRecord(TestSupport::validConfiguration());

    const Upload uploads[] = {
        {"Table upload (1,200 characters)", Operation::uploadLocationTable,
         QStringLiteral("Upload succesful !"), 1200},
        {"Position log upload (1,000 records of 38)", Operation::uploadLocations,
         QStringLiteral(" %1 GPS locations Saved !").arg(records), records * 38 + 1},
        {"Configuration upload (510 characters)", Operation::uploadConfiguration,
         QStringLiteral("Upload complete"), 510},
    };
    std::vector<double> floors;
    std::vector<double> uploadFigures[std::size(uploads)];
    std::vector<double> downloads;
    for (int round = 0; round < rounds; ++round) {
        // The floor is bimodal on a virtual machine (its two processes on one processor or on
        // two); several short runs per round catch its best case as surely as the tool's.
        for (int run = 0; run < 3; ++run)
            floors.push_back(Bench::runFloor(QStringLiteral(FLOOR_PTY_PATH), {floorExchanges}));
        for (size_t i = 0; i < std::size(uploads); ++i) {
            if (!rig.run(uploads[i].code, uploads[i].prompt))
                return 1;
            if (const auto figure = rig.perExchange(uploads[i].characters))
                uploadFigures[i].push_back(*figure);
        }
        if (!rig.run(Operation::downloadConfiguration, QStringLiteral("Download succesful !")))
            return 1;
        if (const auto ms = rig.untilOk())
            downloads.push_back(*ms);
    }
    const double floor = Bench::minimum(floors);
    if (floor <= 0) {
        std::fprintf(stderr, "bench_serial: the floor program failed\n");
        return 1;
    }
    for (size_t i = 0; i < std::size(uploads); ++i) {
        const double measured = Bench::minimum(uploadFigures[i]);
        Bench::print({QStringLiteral("Serial: ") + QString::fromLatin1(uploads[i].name), measured,
                      floor, QStringLiteral("us/char"), QStringLiteral("bare pty round trip"),
                      QStringLiteral("<= 2x"), measured > 0 && measured <= 2 * floor});
    }
    // The download is paced by the PC alone: 512 characters, each followed by the pause.
    const double line = 512 * 10 * 1000.0 / 9600; // 10 bits a character at 9600 bit/s
    const double download = Bench::median(downloads);
    Bench::print({QStringLiteral("Configuration download phase (512 characters, pause of 2 "
                                 "character times each)"),
                  download, line, QStringLiteral("ms"), QStringLiteral("line time at 9600 bit/s"),
                  QStringLiteral(">= 1x (never faster than the line)"), download >= line});

    {
        // A unit that never answers: "O" once a second, the run waiting on the event loop.
        VortsimProcess silentUnit({QStringLiteral("--silent")});
        if (!silentUnit.start()) {
            std::fprintf(stderr, "bench_serial: vortsim did not start\n");
            return 1;
        }
        SerialRig idleRig(silentUnit);
        double cpuStart = 0;
        double cpuEnd = 0;
        qint64 wallStart = 0;
        qint64 wallEnd = 0;
        // Measured from a second into the run, when the port is open and the waiting has begun.
        QTimer::singleShot(1000, qApp, [&] {
            cpuStart = Bench::ownCpuSeconds();
            wallStart = Bench::monotonicNs();
        });
        QTimer::singleShot(1000 + options.idleSeconds * 1000, qApp, [&] {
            cpuEnd = Bench::ownCpuSeconds();
            wallEnd = Bench::monotonicNs();
            idleRig.session.requestAbort();
        });
        runToEnd(idleRig.session, Operation::uploadLocations, (options.idleSeconds + 30) * 1000);
        const double percent = 100.0 * (cpuEnd - cpuStart) / ((wallEnd - wallStart) / 1e9);
        Bench::print(
            {QStringLiteral("Idle: vortsetup waking a silent unit (%1 s)").arg(options.idleSeconds),
             percent, 1.0, QStringLiteral("% CPU"), QStringLiteral("the limit"),
             QStringLiteral("< 1 % of wall time"), percent < 1.0});
        const double unitCpu = Bench::processCpuSeconds(silentUnit.processId());
        std::fprintf(stderr, "bench_serial: vortsim --silent used %.2f s of processor time\n",
                     unitCpu);
    }
    return 0;
}
