// Server and Quellix as systemd runs them (Type=notify, WatchdogSec=), without systemd: the test
// plays the service manager, reading the programs' notifications on a datagram socket of its
// own, and the monitoring system, checking their --metrics page with promtool.
#include "support/metrics_scrape.h"
#include "support/program_process.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSet>
#include <QSocketNotifier>
#include <QTemporaryDir>
#include <QUdpSocket>
#include <QtTest>

#include <csignal>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {
// The manager's end of NOTIFY_SOCKET: an AF_UNIX datagram socket at a path; each datagram is
// noted with the time it came.
class NotifySocket : public QObject
{
public:
    struct Note
    {
        QByteArray text;
        qint64 atMs;
    };

    NotifySocket()
        : m_path(m_dir.filePath(QStringLiteral("notify"))),
          m_fd(::socket(AF_UNIX, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0))
    {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        qstrncpy(address.sun_path, QFile::encodeName(m_path).constData(), sizeof address.sun_path);
        // NOLINTNEXTLINE(cppcoreguidelines-pro-type-reinterpret-cast): the POSIX interface
        m_bound = ::bind(m_fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0;
        connect(new QSocketNotifier(m_fd, QSocketNotifier::Read, this), &QSocketNotifier::activated,
                this, &NotifySocket::drain);
        m_clock.start();
    }
    ~NotifySocket() override { ::close(m_fd); }

    bool isBound() const { return m_bound; }
    QString path() const { return m_path; }
    const QList<Note> &notes() const { return m_notes; }
    std::function<void(const QByteArray &)> onNote;

    // Reads every datagram waiting.
    void drain()
    {
        std::array<char, 4096> buffer{};
        ssize_t size = 0;
        while ((size = ::recv(m_fd, buffer.data(), buffer.size(), 0)) > 0) {
            m_notes.append({QByteArray(buffer.data(), size), m_clock.elapsed()});
            if (onNote)
                onNote(m_notes.constLast().text);
        }
    }
    // Waits until count notes satisfying test have come; their times.
    QList<qint64> waitFor(const std::function<bool(const QByteArray &)> &test, int count,
                          int timeoutMs = 20000)
    {
        QList<qint64> times;
        (void)QTest::qWaitFor(
            [&] {
                times.clear();
                for (const Note &note : std::as_const(m_notes)) {
                    if (test(note.text))
                        times << note.atMs;
                }
                return times.size() >= count;
            },
            timeoutMs);
        return times;
    }
    QList<qint64> waitFor(const QByteArray &text, int count = 1)
    {
        return waitFor([&](const QByteArray &note) { return note == text; }, count);
    }

private:
    QTemporaryDir m_dir;
    QString m_path;
    int m_fd;
    bool m_bound = false;
    QList<Note> m_notes;
    QElapsedTimer m_clock;
};

// The state letter of /proc/PID/stat ('T' once stopped).
char processState(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return '?';
    const QByteArray text = stat.readAll();
    const qsizetype at = text.lastIndexOf(')') + 2;
    return at > 1 && at < text.size() ? text.at(at) : '?';
}

// The local UDP ports the process holds sockets on, as /proc shows them (0 for one not bound).
QList<quint16> udpPortsOf(qint64 pid)
{
    QSet<QByteArray> inodes;
    const QDir fds(QStringLiteral("/proc/%1/fd").arg(pid));
    for (const QFileInfo &fd : fds.entryInfoList(QDir::Files | QDir::System)) {
        const QByteArray target = QFile::encodeName(fd.symLinkTarget());
        if (target.contains("socket:["))
            inodes << target.mid(target.indexOf('[') + 1).chopped(1);
    }
    QList<quint16> ports;
    for (const char *table : {"/proc/net/udp", "/proc/net/udp6"}) {
        QFile file(QString::fromLatin1(table));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray &line : file.readAll().split('\n')) {
            // sl local_address rem_address st tx:rx tr:when retrnsmt uid timeout inode
            const QList<QByteArray> fields = line.simplified().split(' ');
            if (fields.size() > 9 && inodes.contains(fields[9]))
                ports << quint16(fields[1].mid(fields[1].indexOf(':') + 1).toUInt(nullptr, 16));
        }
    }
    return ports;
}
} // namespace

class TestServiceManager : public QObject
{
    Q_OBJECT
private slots:
    void notifiesAndServesMetrics_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QByteArray>("status");
        QTest::addColumn<QByteArray>("datagram"); // from a unit, once listening
        QTest::addColumn<QByteArray>("counted");  // its line on the metrics page, or its name
        QTest::addColumn<QStringList>("options"); // beyond --headless, --port and --metrics
        QTest::newRow("Server") << QStringLiteral(SERVER_PATH)
                                << QByteArray("STATUS=Transfers: 0 running, 0 done")
                                << QByteArray("VAN042,HELLO")
                                << QByteArray("\nvort_stranger_datagrams_total 1\n")
                                << QStringList();
        QTest::newRow("Quellix") << QStringLiteral(QUELLIX_PATH)
                                 << QByteArray("STATUS=Units: 0 heard, 0 messages")
                                 << QByteArray("VAN042,51.4523,0.4567")
                                 << QByteArray("\nvort_messages_received_total 1\n")
                                 << QStringList();
        // The unit and its message written to the store (a file in the working folder).
        QTest::newRow("Quellix with a store")
            << QStringLiteral(QUELLIX_PATH) << QByteArray("STATUS=Units: 0 heard, 0 messages")
            << QByteArray("VAN042,51.4523,0.4567") << QByteArray("\nvort_store_rows_written_total ")
            << QStringList{QStringLiteral("--store"), QStringLiteral("fleet.sqlite")};
    }
    // READY=1 once the port listens, a status line, WATCHDOG=1 at half of WATCHDOG_USEC from the
    // event loop (none while the process is stopped), STOPPING=1 on SIGTERM; meanwhile the
    // metrics page counts a unit's datagram and passes promtool.
    void notifiesAndServesMetrics()
    {
        QFETCH(QString, program);
        QFETCH(QByteArray, status);
        QFETCH(QByteArray, datagram);
        QFETCH(QByteArray, counted);
        QFETCH(QStringList, options);
        // A second: slow enough that a loaded machine keeps the pace, fast enough for a test.
        constexpr int watchdogMs = 1000;
        NotifySocket manager;
        QVERIFY(manager.isBound());
        QTemporaryDir work;
        ProgramProcess service(program,
                               QStringList{QStringLiteral("--headless"), QStringLiteral("--port"),
                                           QStringLiteral("0"), QStringLiteral("--metrics"),
                                           QStringLiteral("0")} +
                                   options,
                               work.path());
        service.setEnvironmentVariable(QStringLiteral("NOTIFY_SOCKET"), manager.path());
        service.setEnvironmentVariable(QStringLiteral("WATCHDOG_USEC"),
                                       QString::number(watchdogMs * 1000));
        // When READY=1 comes, the port is bound: the process holds that UDP socket.
        QList<quint16> portsWhenReady;
        manager.onNote = [&](const QByteArray &note) {
            if (note == "READY=1")
                portsWhenReady = udpPortsOf(service.processId());
        };
        QVERIFY(service.start());
        QCOMPARE(manager.waitFor("READY=1").size(), 1);
        quint16 port = 0;
        QVERIFY(service.waitForLine(
            [&](const QString &line) { return (port = ProgramProcess::boundPort(line)) != 0; }));
        QCOMPARE(portsWhenReady, QList<quint16>{port});
        QCOMPARE(
            manager.waitFor([&](const QByteArray &n) { return n.startsWith(status); }, 1).size(),
            1);

        const QList<qint64> pings = manager.waitFor("WATCHDOG=1", 6);
        QCOMPARE(pings.size(), 6);
        // Never a gap the manager would take for a hang; on average not faster than asked.
        for (qsizetype i = 1; i < pings.size(); ++i)
            QVERIFY2(pings[i] - pings[i - 1] < watchdogMs, qPrintable(QString::number(i)));
        QVERIFY(pings.constLast() - pings.constFirst() >= 5 * watchdogMs / 2 * 8 / 10);

        QString url;
        QVERIFY(service.waitForLine([&](const QString &line) {
            url = line.mid(QStringLiteral("Metrics on ").size());
            return line.startsWith(QStringLiteral("Metrics on http://127.0.0.1:"));
        }));
        QUdpSocket unit;
        QCOMPARE(unit.writeDatagram(datagram, QHostAddress::LocalHost, port), datagram.size());
        QByteArray page;
        // The whole line, or the figure's name and a space: any count but 0.
        const auto shown = [&counted](const QByteArray &text) {
            const qsizetype at = text.indexOf(counted);
            return at >= 0 && (counted.endsWith('\n') || text.mid(at + counted.size(), 1) != "0");
        };
        QTRY_VERIFY_WITH_TIMEOUT(shown(page = MetricsScrape::get(QUrl(url))), 10000);
        QCOMPARE(MetricsScrape::promtoolFindings(page), QString());

        // A stopped event loop sends no ping. Once the process is seen stopped and the datagrams
        // it sent before are read, two watchdog periods (four pings due) bring none.
        service.signal(SIGSTOP);
        QTRY_COMPARE(processState(service.processId()), 'T');
        manager.drain();
        const qsizetype stopped = manager.notes().size();
        const auto pinged = int(manager.waitFor("WATCHDOG=1", 0).size());
        QVERIFY(!QTest::qWaitFor([&] { return manager.notes().size() > stopped; }, 2 * watchdogMs));
        service.signal(SIGCONT);
        QCOMPARE(manager.waitFor("WATCHDOG=1", pinged + 1).size(), pinged + 1);

        service.signal(SIGTERM);
        QCOMPARE(manager.waitFor("STOPPING=1").size(), 1);
        QVERIFY(service.waitForExit());
        QCOMPARE(service.exitCode(), 0);
    }

    // An endpoint that cannot be served ends the program before it listens, saying why.
    void refusesMetricsItCannotServe_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("endpoint");
        QTest::addColumn<QString>("reason");
        for (const auto &entry : {std::pair{SERVER_PATH, "Server"}, {QUELLIX_PATH, "Quellix"}}) {
            const QString program = QString::fromLatin1(entry.first);
            const auto row = [&](const char *tag) -> QTestData & {
                return QTest::addRow("%s %s", entry.second, tag) << program;
            };
            row("no port") << QStringLiteral("127.0.0.1:") << QStringLiteral("not [ADDRESS:]PORT");
            row("port too large") << QStringLiteral("70000")
                                  << QStringLiteral("not [ADDRESS:]PORT");
            row("IPv6 without brackets")
                << QStringLiteral("::1:9100") << QStringLiteral("not [ADDRESS:]PORT");
            row("no address of this machine") << QStringLiteral("192.0.2.1:0") << QString();
        }
    }
    void refusesMetricsItCannotServe()
    {
        QFETCH(QString, program);
        QFETCH(QString, endpoint);
        QFETCH(QString, reason);
        QTemporaryDir work;
        ProgramProcess service(program,
                               QStringList{QStringLiteral("--headless"), QStringLiteral("--port"),
                                           QStringLiteral("0"), QStringLiteral("--metrics"),
                                           endpoint},
                               work.path());
        QVERIFY(service.start());
        QVERIFY(service.waitForExit());
        QCOMPARE(service.exitCode(), 1);
        const QString said = service.standardError();
        QVERIFY2(said.contains(": cannot serve metrics on " + endpoint + " (" + reason),
                 qPrintable(said));
        QVERIFY(service.lines().filter(QStringLiteral("Started, listening")).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestServiceManager)
#include "test_service_manager.moc"
