// Quellix --headless as a process: a unit's messages answered over loopback UDP, the commands to
// attach typed into standard input, SIGTERM ending it.
#include "unit_side.h"

#include "support/program_process.h"

#include <QtTest>

#include <csignal>

namespace {
struct HeadlessQuellix
{
    HeadlessQuellix()
        : port(freeUdpPort()),
          process(QStringLiteral(QUELLIX_PATH),
                  {QStringLiteral("--headless"), QStringLiteral("--port"), QString::number(port)})
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
