// The UDP exchanges on loopback, each against the floor program's bare round trip of a 183-byte
// datagram between two processes:
// - Server sending the largest operating system file its packets can number (46,080 characters,
//   256 packets), then 100 configuration and 100 GPS table transfers, to the simulated unit in a
//   process of its own (this program with --unit), which acknowledges every packet at once;
// - Quellix answering 10,000 messages from a plain sender in a process of its own (this program
//   with --sender): the window in this process with no pause before its answers, and the real
//   Quellix program with its shipped pause, which is then subtracted;
// - the processor time of Server and of the Quellix program listening with no traffic.
#include "common/network/datagram_socket.h"
#include "config_tool/configuration/configuration_file.h"
#include "location_table/location_table_file.h"
#include "receiver_window.h"
#include "support/bench_report.h"
#include "support/program_process.h"
#include "support/server_fixture.h"
#include "support/test_support.h"
#include "support/valid_configuration.h"
#include "unit_simulator/udp_unit_client.h"

#include <QApplication>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTimer>
#include <QUdpSocket>

#include <cstdio>
#include <cstring>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr int osFileSize = 46080; // 256 packets of 180 characters
constexpr int messageSize = 183;

struct Transfer
{
    const char *keyword;
    QByteArray request;
    int count;
};

// --unit PORT COUNT: the unit's side of the Server rows. Calls with each request once the
// previous transfer is complete and the server is back to listening (a datagram that comes with
// the last acknowledgement is taken as part of the transfer, so the unit leaves a gap and calls
// again when a request goes unanswered), and prints, per kind, the milliseconds from each
// answered request to its last acknowledgement, summed, and the packets received.
int runUnit(quint16 serverPort, const std::vector<Transfer> &transfers)
{
    constexpr int callAgainMs = 20;
    constexpr int unansweredMs = 1000;
    UdpUnitClient unit;
    if (!unit.open())
        return 1;
    size_t kind = 0;
    int done = 0;
    qint64 requestNs = 0;
    qint64 kindNs = 0;
    qsizetype kindFirstPacket = 0;
    QTimer unanswered;
    unanswered.setSingleShot(true);
    unanswered.setInterval(unansweredMs);
    const auto call = [&] {
        while (kind < transfers.size() && done == transfers[kind].count) {
            std::printf("%s %.3f %lld\n", transfers[kind].keyword, kindNs / 1e6,
                        static_cast<long long>(unit.packets().size() - kindFirstPacket));
            ++kind;
            done = 0;
            kindNs = 0;
            kindFirstPacket = unit.packets().size();
        }
        if (kind == transfers.size()) {
            std::fflush(stdout);
            QCoreApplication::exit(0);
            return;
        }
        requestNs = Bench::monotonicNs();
        unit.sendRequest(transfers[kind].request, QHostAddress::LocalHost, serverPort);
        unanswered.start();
    };
    QObject::connect(&unanswered, &QTimer::timeout, &unanswered, [&] {
        std::fprintf(stderr, "bench_udp: a %s request went unanswered, calling again\n",
                     transfers[kind].keyword);
        call();
    });
    QObject::connect(&unit, &UdpUnitClient::packetReceived, &unanswered, &QTimer::stop);
    QObject::connect(&unit, &UdpUnitClient::completed, &unit, [&] {
        kindNs += Bench::monotonicNs() - requestNs;
        ++done;
        QTimer::singleShot(callAgainMs, &unit, call);
    });
    call();
    return QCoreApplication::exec();
}

// --sender PORT COUNT: sends COUNT messages of 183 characters to PORT, each after the answer
// to the one before, and prints the mean round trip in microseconds. Plain blocking POSIX.
int runSender(quint16 port, int count)
{
    const int fd = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in receiver{};
    receiver.sin_family = AF_INET;
    receiver.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    receiver.sin_port = htons(port);
    timeval timeout{5, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    if (fd < 0 || connect(fd, reinterpret_cast<sockaddr *>(&receiver), sizeof receiver) != 0)
        return 1;
    char message[messageSize];
    std::memset(message, 'A', sizeof message);
    char answer[64];
    const auto exchange = [&](int i) {
        std::snprintf(message, 7, "%06u", unsigned(i) % 1000000u);
        message[6] = ',';
        return send(fd, message, messageSize, 0) == messageSize &&
               recv(fd, answer, sizeof answer, 0) > 0;
    };
    // The first answer also says that the receiver is listening.
    bool listening = false;
    for (int attempt = 0; attempt < 100 && !listening; ++attempt) {
        listening = exchange(0);
        if (!listening)
            usleep(100000); // still starting: nobody listens yet
    }
    if (!listening)
        return 1;
    const qint64 start = Bench::monotonicNs();
    for (int i = 1; i <= count; ++i) {
        if (!exchange(i)) {
            std::fprintf(stderr, "bench_udp: message %d was not answered\n", i);
            return 1;
        }
    }
    std::printf("%.2f\n", (Bench::monotonicNs() - start) / 1000.0 / count);
    return 0;
}

QProcess *startSelf(const QStringList &arguments, QObject *parent)
{
    auto *process = new QProcess(parent);
    process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process->start(QCoreApplication::applicationFilePath(), arguments);
    return process;
}

// Runs the Server console in this process against the unit process; rows per transfer kind.
bool benchServer(const Bench::Options &options, double floor)
{
    ServerFixture server({}, 1000);
    server.useOperatingSystemBase();
    QByteArray os(osFileSize, 'x');
    for (int i = 0; i < osFileSize; ++i)
        os[i] = "0123456789ABCDEF"[i % 16];
    server.writeFile(QStringLiteral("os/V610/os.bin"), os);
    server.settings().setConfigurationFile(server.writeFile(
        QStringLiteral("cfg1.txt"), configurationFileContent(TestSupport::validConfiguration())));
    QStringList cells;
    for (int row = 0; row < 100; ++row)
        cells << QString::number(row) << QStringLiteral("51.4523") << QStringLiteral("0.4567");
    server.settings().setGpsTableFile(
        server.writeFile(QStringLiteral("table.txt"), LocationTableFile::write(cells)));

    const int count = options.quick ? 5 : 100;
    QProcess *unit = nullptr;
    QObject scope;
    const bool finished = server.run(
        [&] {
            unit = startSelf(
                {QStringLiteral("--unit"), QString::number(server.port()), QString::number(count)},
                &scope);
        },
        [&] { return unit && unit->state() == QProcess::NotRunning; },
        options.quick ? 20000 : 300000);
    if (!finished || !unit || unit->exitCode() != 0) {
        std::fprintf(stderr, "bench_udp: the Server transfers did not finish; its last lines:\n");
        for (const QString &line : server.activity().mid(server.activity().size() - 8))
            std::fprintf(stderr, "  %s\n", qPrintable(line.left(100)));
        return false;
    }
    const QString names[] = {QStringLiteral("Server: operating system file (46,080 characters, "
                                            "256 packets)"),
                             QStringLiteral("Server: CONFIG x%1 (6 packets each)").arg(count),
                             QStringLiteral("Server: GPSLOC x%1 (7 packets each)").arg(count)};
    const QList<QByteArray> lines = unit->readAllStandardOutput().trimmed().split('\n');
    for (int i = 0; i < lines.size() && i < 3; ++i) {
        const QList<QByteArray> fields = lines[i].split(' ');
        const double perPacket = fields.value(1).toDouble() * 1000.0 / fields.value(2).toDouble();
        Bench::print({names[i], perPacket, floor, QStringLiteral("us/packet"),
                      QStringLiteral("bare UDP round trip"), QStringLiteral("<= 2x"),
                      perPacket <= 2 * floor});
    }
    return lines.size() == 3;
}

void startSender(QProcess &sender, quint16 port, int count)
{
    sender.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    sender.start(QCoreApplication::applicationFilePath(),
                 {QStringLiteral("--sender"), QString::number(port), QString::number(count)});
}

// Runs the sender process against a receiver in another process; its figure, or a negative
// value on failure.
double runSenderAgainst(quint16 port, int count)
{
    QProcess sender;
    startSender(sender, port, count);
    if (!sender.waitForFinished(600000))
        return -1;
    bool ok = false;
    const double figure = sender.readAllStandardOutput().trimmed().toDouble(&ok);
    return ok && sender.exitCode() == 0 ? figure : -1;
}

bool benchQuellix(const Bench::Options &options, double floor)
{
    const int count = options.quick ? 500 : 10000;
    double measured = -1;
    {
        UdpDatagramSocket socket;
        ReceiverWindow::Options windowOptions;
        windowOptions.socket = &socket;
        windowOptions.answerPause = std::chrono::milliseconds(0);
        ReceiverWindow window(windowOptions);
        window.findChild<QPushButton *>(QStringLiteral("Command4"))->click();
        socket.setLocalPort(0); // a port the system gives
        window.findChild<QPushButton *>(QStringLiteral("Command1"))->click();
        // The sender's end stops listening.
        QProcess sender;
        QObject::connect(&sender, &QProcess::finished, &window, [&] {
            bool ok = false;
            const double figure = sender.readAllStandardOutput().trimmed().toDouble(&ok);
            measured = ok && sender.exitCode() == 0 ? figure : -1;
            window.findChild<QPushButton *>(QStringLiteral("Command2"))->click();
        });
        startSender(sender, socket.boundPort(), count);
        if (!TestSupport::runUntil([&] { return !window.listening(); }, 600000))
            return false;
    }
    if (measured <= 0)
        return false;
    Bench::print({QStringLiteral("Quellix: %1 messages answered (pause set to 0)").arg(count),
                  measured, floor, QStringLiteral("us/packet"),
                  QStringLiteral("bare UDP round trip"), QStringLiteral("<= 2x"),
                  measured <= 2 * floor});

    // The real program, with the pause it ships with subtracted.
    ProgramProcess quellix(QStringLiteral(QUELLIX_PATH),
                           {QStringLiteral("--listen"), QStringLiteral("0")});
    const quint16 port = quellix.startListening();
    const int processCount = options.quick ? 20 : 200;
    const double withPause = port ? runSenderAgainst(port, processCount) : -1;
    if (withPause <= 0)
        return false;
    const double pauseUs = std::chrono::microseconds(ReceiverText::answerPause).count();
    const double net = withPause - pauseUs;
    Bench::print({QStringLiteral("Quellix program: %1 messages, its %2 ms pause subtracted")
                      .arg(processCount)
                      .arg(ReceiverText::answerPause.count()),
                  net, floor, QStringLiteral("us/packet"), QStringLiteral("bare UDP round trip"),
                  QStringLiteral("<= 2x"), net <= 2 * floor});
    return true;
}

// Server listening in this process and the Quellix program listening, both with no traffic.
void benchIdle(const Bench::Options &options)
{
    ProgramProcess quellix(QStringLiteral(QUELLIX_PATH),
                           {QStringLiteral("--listen"), QStringLiteral("0")});
    quellix.startListening();

    ServerFixture server({}, 1000);
    double ownStart = 0;
    double quellixStart = 0;
    qint64 wallStart = 0;
    double ownEnd = 0;
    double quellixEnd = 0;
    qint64 wallEnd = 0;
    const int windowMs = options.idleSeconds * 1000;
    // Counted from a second after the start, once both are listening; nothing else of this
    // process wakes meanwhile.
    QTimer::singleShot(1000, qApp, [&] {
        ownStart = Bench::ownCpuSeconds();
        quellixStart = Bench::processCpuSeconds(quellix.processId());
        wallStart = Bench::monotonicNs();
    });
    QTimer::singleShot(1000 + windowMs, qApp, [&] {
        ownEnd = Bench::ownCpuSeconds();
        quellixEnd = Bench::processCpuSeconds(quellix.processId());
        wallEnd = Bench::monotonicNs();
    });
    server.run(
        {}, [&] { return wallEnd != 0; }, 10000 + windowMs);

    const double wall = (wallEnd - wallStart) / 1e9;
    const double serverPercent = 100.0 * (ownEnd - ownStart) / wall;
    const double quellixPercent = 100.0 * (quellixEnd - quellixStart) / wall;
    Bench::print({QStringLiteral("Idle: Server listening (%1 s)").arg(options.idleSeconds),
                  serverPercent, 1.0, QStringLiteral("% CPU"), QStringLiteral("the limit"),
                  QStringLiteral("< 1 % of wall time"), serverPercent < 1.0});
    Bench::print({QStringLiteral("Idle: Quellix program listening (%1 s)").arg(options.idleSeconds),
                  quellixPercent, 1.0, QStringLiteral("% CPU"), QStringLiteral("the limit"),
                  QStringLiteral("< 1 % of wall time"), quellixPercent < 1.0});
}

} // namespace

int main(int argc, char *argv[])
{
    // The two helper modes run in child processes.
    if (argc == 4 && std::strcmp(argv[1], "--sender") == 0)
        return runSender(static_cast<quint16>(std::atoi(argv[2])), std::atoi(argv[3]));
    if (argc == 4 && std::strcmp(argv[1], "--unit") == 0) {
        QCoreApplication app(argc, argv);
        const int count = std::atoi(argv[3]);
        return runUnit(static_cast<quint16>(std::atoi(argv[2])),
                       {{"UPLOAD", "VORT01,V610UPLOAD", 1},
                        {"CONFIG", "VORT01,Q007CONFIG", count},
                        {"GPSLOC", "VORT01,GPSLOC", count}});
    }

    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const Bench::Options options = Bench::parseOptions(app.arguments());

    const double floor = Bench::bestUdpRoundTrip(QStringLiteral(FLOOR_UDP_PATH), options);
    if (floor <= 0) {
        std::fprintf(stderr, "bench_udp: the floor program failed\n");
        return 1;
    }
    bool ok = benchServer(options, floor);
    ok = benchQuellix(options, floor) && ok;
    benchIdle(options);
    return ok ? 0 : 1;
}
