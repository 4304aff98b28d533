// Quellix as a process: --headless, a unit's messages answered over loopback UDP, the commands
// to attach typed into standard input, SIGTERM ending it; and with its window.
#include "unit_side.h"

#include "support/program_process.h"
#include "unit_simulator/realtime_sender.h"

#include <QtTest>

#include <csignal>

namespace {
// `wrapper`: the shell line that execs the program. Port 0: one the system gives (port once
// started).
struct HeadlessQuellix
{
    explicit HeadlessQuellix(const QStringList &more = {},
                             const QString &wrapper = QStringLiteral("exec \"$0\" \"$@\""),
                             quint16 port = 0)
        : port(port),
          process(QStringLiteral("/bin/bash"),
                  QStringList{QStringLiteral("-c"), wrapper, QStringLiteral(QUELLIX_PATH),
                              QStringLiteral("--headless"), QStringLiteral("--port"),
                              QString::number(port)} +
                      more)
    {
    }
    // The lines that open every run on port 0.
    QStringList openingLines() const
    {
        return {"Port :0 selected !", "Started, listening on port 0",
                "Listening on UDP port " + QString::number(port)};
    }
    bool start() { return (port = process.startListening()) != 0; }
    bool stop()
    {
        process.signal(SIGTERM);
        return process.waitForExit() && process.exitCode() == 0;
    }

    quint16 port;
    ProgramProcess process;
};
} // namespace

class TestQuellixHeadless : public QObject
{
    Q_OBJECT
private slots:
    void answersWithCommandsFromStandardInput()
    {
        HeadlessQuellix quellix;
        QVERIFY(quellix.start());
        UnitSide unit(quellix.port);
        QCOMPARE(unit.ask("ABCDEFGH"), QByteArray("ABCDEF,1\r"));

        // Two lines at once: each goes with one answer, in order.
        quellix.process.write("RESET\r\nPOS 5\n");
        QVERIFY(quellix.process.waitForLine(QStringLiteral("RESET")));
        QCOMPARE(unit.ask("ABCDEFGH"), QByteArray("ABCDEF,1RESET\r"));
        QVERIFY(quellix.process.waitForLine(QStringLiteral("POS 5")));
        QCOMPARE(unit.ask("XYZ"), QByteArray("XYZ,1POS 5\r"));
        QCOMPARE(unit.ask("XYZ"), QByteArray("XYZ,1\r"));

        // One character per byte; a message steering a terminal is shown, harmlessly, on one
        // line.
        QCOMPARE(unit.ask("\xE9\x01\xFFxyzw"), QByteArray("\xE9\x01\xFFxyz,1\r"));
        QCOMPARE(unit.ask("AB\x1B[2J\nCD"), QByteArray("AB\x1B[2J,1\r"));

        // Standard input ends: said once, with the way still open to queue commands.
        quellix.process.closeInput();
        const QString ended = QStringLiteral(
            "Quellix: standard input has ended, so no more commands are read from "
            "it. Commands can still be queued: in the fleet store, when Quellix runs "
            "with --store (Quellix --store LOCATION --send ID COMMAND), or through "
            "a named pipe held open as "
            "standard input (mkfifo quellix.in; Quellix --headless < quellix.in).");
        QTRY_VERIFY(quellix.process.standardError().contains(ended));
        QCOMPARE(unit.ask("XYZ"), QByteArray("XYZ,1\r"));
        QCOMPARE(quellix.process.standardError().count(ended), 1);

        QVERIFY(quellix.stop());
        QCOMPARE(quellix.process.lines(),
                 quellix.openingLines() +
                     (QStringList{"Received: ABCDEFGH", "Send: ABCDEF,1", "RESET",
                                  "Received: ABCDEFGH", "Send: ABCDEF,1RESET", "POS 5",
                                  "Received: XYZ", "Send: XYZ,1POS 5", "Received: XYZ",
                                  "Send: XYZ,1", QStringLiteral("Received: \u00E9\\x01\u00FFxyzw"),
                                  QStringLiteral("Send: \u00E9\\x01\u00FFxyz,1"),
                                  "Received: AB\\x1B[2J\\x0ACD", "Send: AB\\x1B[2J,1",
                                  "Received: XYZ", "Send: XYZ,1", "Stopped, listening on port 0"}));
    }

    // Lines for one unit, held in memory without a store.
    void sendsLinesToChosenUnits()
    {
        HeadlessQuellix quellix;
        QVERIFY(quellix.start());
        UnitSide van(quellix.port), bus(quellix.port);
        // Everything after the first blank is the command, blanks and all.
        quellix.process.write("@\n@VAN0421 X\n@VAN042\n@BUS002 PING 5 \n@XYZ \nRESET\n");
        QVERIFY(quellix.process.waitForLine(QStringLiteral("RESET")));
        QCOMPARE(van.ask("VAN001,a"), QByteArray("VAN001,1RESET\r"));
        QCOMPARE(bus.ask("BUS002,b"), QByteArray("BUS002,1PING 5 \r"));
        QCOMPARE(bus.ask("BUS002,c"), QByteArray("BUS002,1\r"));
        // Every 10 s in which messages came: a summary.
        QVERIFY(quellix.process.waitForLine(
            [](const QString &line) {
                return line.startsWith("Units: 2 heard, ") && line.endsWith(", 1 commands pending");
            },
            30000));

        QVERIFY(quellix.stop());
        const QStringList lines = quellix.process.lines();
        QCOMPARE(
            lines.mid(lines.indexOf("Port :0 selected !"), 9),
            quellix.openingLines() +
                (QStringList{"Not queued: a unit identifier must follow @ (as in @VAN042 RESET)",
                             // NOLINTNEXTLINE(bugprone-suspicious-missing-comma): one line
                             "Not queued: VAN0421 is longer than a unit identifier (6 characters) "
                             "(as in @VAN042 RESET)",
                             // NOLINTNEXTLINE(bugprone-suspicious-missing-comma): one line
                             "Not queued: a blank and the command must follow @VAN042 (as in "
                             "@VAN042 RESET)",
                             "Pending for BUS002: PING 5 ", "Pending for XYZ: ", "RESET"}));
    }

    // A store (--record) that fills up (a file size limit, as on a full disk) is lost with one
    // line; what was written stays, and receiving goes on.
    void recordThatFillsUpStops()
    {
        QTemporaryDir directory;
        const QString record = directory.filePath(QStringLiteral("traffic.db"));
        // A coverage build's counters go elsewhere: the limit would cut them short, and a cut
        // file spoils what every later program adds to it.
        HeadlessQuellix quellix(
            {QStringLiteral("--record"), record},
            QStringLiteral("trap '' XFSZ; ulimit -f 64; export GCOV_PREFIX='%1'; "
                           "exec \"$0\" \"$@\"")
                .arg(directory.filePath(QStringLiteral("coverage"))));
        QVERIFY(quellix.start());
        UnitSide unit(quellix.port);
        QCOMPARE(unit.ask("VAN001,first"), QByteArray("VAN001,1\r"));
        const QString columns = QStringLiteral("direction, data");
        const QStringList written{"in VAN001,first", "out VAN001,1\r"};
        QTRY_COMPARE(recordedRows(record, columns), written);

        const auto stopped = [&](const QString &line) {
            return line.startsWith("Store lost: " + record + " (");
        };
        bool stopLine = false;
        for (int i = 0; i < 1000 && !stopLine; ++i) {
            QVERIFY(unit.ask("VAN001," + QByteArray(1400, 'x')).startsWith("VAN001,1"));
            stopLine = quellix.process.waitForLine(stopped, 0);
        }
        QVERIFY(stopLine);
        QCOMPARE(unit.ask("VAN001,last"), QByteArray("VAN001,1\r"));
        QVERIFY(quellix.stop());
        QCOMPARE(quellix.process.standardError().count("Store lost: "), 1);
        QCOMPARE(recordedRows(record, columns).mid(0, 2), written);
        QCOMPARE(queryRows(record, QStringLiteral("PRAGMA integrity_check")),
                 QStringList{QStringLiteral("ok")});
    }

    void portTakenEndsWithStatus()
    {
        QUdpSocket taken;
        QVERIFY(taken.bind(QHostAddress::AnyIPv4, 0));
        HeadlessQuellix quellix({}, QStringLiteral("exec \"$0\" \"$@\""), taken.localPort());
        QVERIFY(quellix.process.start());
        QVERIFY(quellix.process.waitForExit());
        QCOMPARE(quellix.process.exitCode(), 1); // its line: attachesCommandToOneAnswer
    }

    // With its window (offscreen), as an operator's script would start it. The simulated unit
    // sends a position every 100 ms: each is answered, with no command.
    void windowProgramAnswersUnit()
    {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        ProgramProcess quellix(QStringLiteral(QUELLIX_PATH),
                               {QStringLiteral("--listen"), QStringLiteral("0")});
        const quint16 port = quellix.startListening();
        QVERIFY(port != 0);
        RealtimeSender sender({.port = port, .intervalMs = 100}, [](const QString &) {});
        QByteArrayList answers;
        connect(&sender, &RealtimeSender::answerReceived, this,
                [&](const QByteArray &answer) { answers << answer; });
        QVERIFY(sender.start());
        QTRY_VERIFY_WITH_TIMEOUT(answers.size() >= 3, 20000);
        QVERIFY(sender.commands().isEmpty());
        QCOMPARE(answers, QByteArrayList(answers.size(), "VAN042,1\r"));
    }
};

QTEST_GUILESS_MAIN(TestQuellixHeadless)
#include "test_quellix_headless.moc"
