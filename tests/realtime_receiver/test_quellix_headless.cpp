// Quellix --headless as a process: a unit's messages answered over loopback UDP, the commands to
// attach typed into standard input, SIGTERM ending it.
#include "unit_side.h"

#include "support/program_process.h"

#include <QtTest>

#include <csignal>

namespace {
struct HeadlessQuellix
{
    explicit HeadlessQuellix(const QStringList &more = {})
        : port(freeUdpPort()),
          process(QStringLiteral(QUELLIX_PATH),
                  QStringList{QStringLiteral("--headless"), QStringLiteral("--port"),
                              QString::number(port)} +
                      more)
    {
    }
    QString portText() const { return QString::number(port); }

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
        QVERIFY(quellix.process.start());
        QVERIFY(quellix.process.waitForLine("Started, listening on port " + quellix.portText()));
        UnitSide unit(quellix.port);
        unit.send("ABCDEFGH");
        QCOMPARE(unit.reply(), QByteArray("ABCDEF,1\r"));

        // Two lines at once: each goes with one answer, in order.
        quellix.process.write("RESET\r\nPOS 5\n");
        QVERIFY(quellix.process.waitForLine(QStringLiteral("RESET")));
        unit.send("ABCDEFGH");
        QCOMPARE(unit.reply(), QByteArray("ABCDEF,1RESET\r"));
        QVERIFY(quellix.process.waitForLine(QStringLiteral("POS 5")));
        unit.send("XYZ");
        QCOMPARE(unit.reply(), QByteArray("XYZ,1POS 5\r"));
        unit.send("XYZ");
        QCOMPARE(unit.reply(), QByteArray("XYZ,1\r"));

        // A message steering a terminal is shown, harmlessly, on one line.
        unit.send("AB\x1B[2J\nCD");
        QCOMPARE(unit.reply(), QByteArray("AB\x1B[2J,1\r"));

        quellix.process.signal(SIGTERM);
        QVERIFY(quellix.process.waitForExit());
        QCOMPARE(quellix.process.exitCode(), 0);
        const QString port = quellix.portText();
        QCOMPARE(quellix.process.lines(),
                 (QStringList{"Port :" + port + " selected !", "Started, listening on port " + port,
                              "Received: ABCDEFGH", "Send: ABCDEF,1", "RESET", "Received: ABCDEFGH",
                              "Send: ABCDEF,1RESET", "POS 5", "Received: XYZ", "Send: XYZ,1POS 5",
                              "Received: XYZ", "Send: XYZ,1", "Received: AB\\x1B[2J\\x0ACD",
                              "Send: AB\\x1B[2J,1", "Stopped, listening on port " + port}));
    }

    // Lines for one unit, and a record that cannot be written: receiving goes on.
    void sendsLinesToChosenUnits()
    {
        QTemporaryDir directory;
        QFile notAFolder(directory.filePath(QStringLiteral("plain")));
        QVERIFY(notAFolder.open(QIODevice::WriteOnly));
        notAFolder.close();
        const QString record = directory.filePath(QStringLiteral("plain/traffic.db"));
        HeadlessQuellix quellix({QStringLiteral("--record"), record});
        QVERIFY(quellix.process.start());
        QVERIFY(quellix.process.waitForLine("Started, listening on port " + quellix.portText()));
        UnitSide van(quellix.port), bus(quellix.port);
        quellix.process.write("@\n@VAN0421 X\n@BUS002 PING\nRESET\n");
        QVERIFY(quellix.process.waitForLine(QStringLiteral("RESET")));
        van.send("VAN001,a");
        QCOMPARE(van.reply(), QByteArray("VAN001,1RESET\r"));
        bus.send("BUS002,b");
        QCOMPARE(bus.reply(), QByteArray("BUS002,1PING\r"));
        bus.send("BUS002,c");
        QCOMPARE(bus.reply(), QByteArray("BUS002,1\r"));

        quellix.process.signal(SIGTERM);
        QVERIFY(quellix.process.waitForExit());
        QCOMPARE(quellix.process.exitCode(), 0);
        const QStringList lines = quellix.process.lines();
        const QString failure = "Cannot record to " + record + " (";
        QVERIFY2(lines.first().startsWith(failure), qPrintable(lines.first()));
        QVERIFY(quellix.process.standardError().startsWith(failure));
        const QString port = quellix.portText();
        const qsizetype portLine = lines.indexOf("Port :" + port + " selected !");
        QCOMPARE(lines.mid(portLine, 6),
                 (QStringList{"Port :" + port + " selected !", "Started, listening on port " + port,
                              "Not queued: a unit identifier must follow @ (as in @VAN042 RESET)",
                              "Not queued: VAN0421 is longer than a unit identifier (6 characters) "
                              "(as in @VAN042 RESET)",
                              "Pending for BUS002: PING", "RESET"}));
    }

    void portTakenEndsWithStatus()
    {
        HeadlessQuellix quellix;
        QUdpSocket taken;
        QVERIFY(taken.bind(QHostAddress::AnyIPv4, quellix.port));
        QVERIFY(quellix.process.start());
        QVERIFY(quellix.process.waitForExit());
        QCOMPARE(quellix.process.exitCode(), 1);
        QVERIFY(quellix.process.lines().last().startsWith("Cannot listen on port " +
                                                          quellix.portText() + ": "));
    }
};

QTEST_GUILESS_MAIN(TestQuellixHeadless)
#include "test_quellix_headless.moc"
