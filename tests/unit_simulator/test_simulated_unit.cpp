// The simulated unit: the serial one (in process and as vortsim on a pseudo-terminal), and
// vortsim-udp's demonstration unit (its real-time messages, acknowledgements, and a round of
// downloads of the shipped demonstration files from a Server console).
#include "link/qt_serial_port.h"
#include "simulated_unit.h"
#include "support/server_fixture.h"
#include "support/vortsim_process.h"

#include "common/network/datagram_socket.h"
#include "unit_simulator/realtime_sender.h"
#include "unit_simulator/server_caller.h"

#include <QFile>
#include <QRegularExpression>
#include <QTimeZone>
#include <QtTest>

namespace {
const QString demoDir = QStringLiteral(TEST_DATA_DIR "/../../packaging/demo");

QByteArray demoFile(const QString &name)
{
    QFile file(demoDir + u'/' + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The PC's end of the line as the unit sees it: everything transmitted, in order.
struct RecordingLine : UnitLine
{
    void transmit(const QByteArray &characters) override { sent += characters; }
    QByteArray sent;
};

// A phase that echoes every arrival back in lower case and ends on "x".
struct EchoPhase : UnitPhase
{
    void begin(UnitLine &line) override { line.transmit("first"); }
    void receive(const QByteArray &characters, UnitLine &line) override
    {
        arrivals.append(characters);
        line.transmit(characters.toLower());
        done = characters.contains('x');
    }
    bool finished() const override { return done; }
    void abandon() override { ++abandoned; }
    int abandoned = 0;
    bool done = false;
    QList<QByteArray> arrivals;
};

// A unit on a recording line, with an echoing phase for L.
struct Unit
{
    Unit()
    {
        unit.setLine(&line);
        auto phase = std::make_unique<EchoPhase>();
        echo = phase.get();
        unit.addPhase('L', std::move(phase));
    }
    void feed(const QByteArray &bytes, bool oneByOne)
    {
        for (qsizetype at = 0; at < bytes.size(); at += oneByOne ? 1 : bytes.size())
            unit.receive(bytes.mid(at, oneByOne ? 1 : -1));
    }
    SimulatedUnit unit;
    RecordingLine line;
    EchoPhase *echo = nullptr; // owned by unit
};
} // namespace

class TestSimulatedUnit : public QObject
{
    Q_OBJECT
private slots:
    // What the unit answers, fed in one piece and character by character, given a quirk; and
    // the passwords it refused (each leaves it asleep).
    void answers()
    {
        const QByteArray ok0 = "OK0\r\n";
        const QList<std::tuple<QByteArray, QString, QByteArray, int>> rows = {
            {"O", "", ok0, 0},
            {"O", "ready 1", "OK1\r\n", 0},
            {"O", "wrong case", "ok0\r\n", 0},
            {"O", "silent", "", 0},
            {"o1NL", "", "", 0},                           // other letters
            {"OO", "", ok0 + ok0, 0},                      // again while waiting
            {"O6048\rZ6048\rO", "", "OK0\r\npOK0\r\n", 0}, // an unknown letter: nothing more
            {"O1234\rL6048\r", "", ok0, 1},                // wrong first password
            {"O6048\rL604\r", "", ok0, 1},                 // wrong second password
            {"O6048\rL6048\r", "refuses", ok0, 1}};
        for (const auto &[input, quirk, answer, refusals] : rows) {
            for (const bool oneByOne : {false, true}) {
                Unit u;
                u.unit.setReadyDigit(quirk == "ready 1" ? '1' : '0');
                u.unit.setSilent(quirk == "silent");
                u.unit.setWrongCase(quirk == "wrong case");
                u.unit.setRefusePassword(quirk == "refuses");
                QSignalSpy refused(&u.unit, &SimulatedUnit::passwordRefused);
                u.feed(input, oneByOne);
                QCOMPARE(u.line.sent, answer);
                QCOMPARE(refused.size(), refusals);
                if (refusals > 0)
                    QCOMPARE(u.unit.state(), SimulatedUnit::State::Asleep);
            }
        }
    }

    void acceptsThePasswordAndRunsThePhase()
    {
        for (const bool oneByOne : {false, true}) {
            Unit u;
            QSignalSpy accepted(&u.unit, &SimulatedUnit::operationAccepted);

            u.feed("O6048\rL6048\r", oneByOne);
            QCOMPARE(u.line.sent, QByteArray("OK0\r\npfirst"));
            QCOMPARE(accepted.size(), 1);
            QCOMPARE(accepted[0][0].value<char>(), 'L');
            QCOMPARE(u.unit.state(), SimulatedUnit::State::InPhase);

            u.unit.receive("AB");
            u.unit.receive("x");
            QCOMPARE(u.echo->arrivals, QList<QByteArray>({"AB", "x"}));
            QCOMPARE(u.unit.state(), SimulatedUnit::State::Asleep);
            u.feed("O", oneByOne);
            QVERIFY(u.line.sent.endsWith("abxOK0\r\n"));
        }
    }

    void splitsTheAnswer()
    {
        Unit u;
        u.unit.setSplitAnswer(true, 30);
        u.feed("OO", true);
        QCOMPARE(u.line.sent, QByteArray("OK"));
        QTRY_COMPARE(u.line.sent, QByteArray("OK0\r\n"));
    }

    void sleepsAgainAfterAStall()
    {
        Unit u;
        u.unit.setResetAfterMs(30);
        u.feed("O6048\rL", false);
        QTRY_COMPARE(u.unit.state(), SimulatedUnit::State::Asleep);
        u.feed("O6048\rL6048\r", false);
        QCOMPARE(u.unit.state(), SimulatedUnit::State::InPhase);
        QTRY_COMPARE(u.echo->abandoned, 1);
        QCOMPARE(u.unit.state(), SimulatedUnit::State::Asleep);

        // A PC that gave up in the middle of a phase wakes the unit again.
        u.unit.setResetAfterMs(60000);
        u.feed("O6048\rL6048\r", false);
        u.line.sent.clear();
        u.unit.receive("O");
        QCOMPARE(u.echo->abandoned, 2);
        QCOMPARE(u.line.sent, QByteArray("OK0\r\n"));
    }

    // Waking vortsim on its pseudo-terminal, twice, as plain and as a unit with quirks.
    void vortsimServesItsPseudoTerminal()
    {
        const QList<std::pair<QStringList, QByteArray>> rows = {
            {{"--demo"}, "OK0\r\n"}, {{"--wrong-case", "--ready-digit", "1"}, "ok1\r\n"}};
        for (const auto &[arguments, answer] : rows) {
            VortsimProcess vortsim(arguments);
            QVERIFY(vortsim.start());
            QVERIFY(vortsim.device().startsWith(QStringLiteral("/dev/")));
            QtSerialPort port(vortsim.comOne());
            for (int opening = 0; opening < 2; ++opening) {
                QVERIFY(port.open(1, QStringLiteral("9600,N,8,1")));
                port.write("O");
                QByteArray received;
                QTRY_VERIFY((received += port.readAll()).size() >= answer.size());
                QCOMPARE(received, answer);
                port.close();
            }
        }
    }

    void positionMessage()
    {
        const QDateTime utc(QDate(2026, 6, 12), QTime(14, 3, 22), QTimeZone::utc());
        // Minutes stay below 60 and the course below 360, whatever the point of the lap.
        static const QRegularExpression form(QStringLiteral(
            "^VAN042,140322,51[0-5]\\d\\.\\d{4},N,005[0-5]\\d\\.\\d{4},E,\\d\\d\\d\\.\\d,"
            "([0-2]\\d\\d|3[0-5]\\d)\\.\\d,120626$"));
        for (int n : {0, 14, 15, 29, 44, 59, 60, 1000}) {
            const QByteArray message = RealtimeSender::positionMessage("VAN042", n, utc);
            QVERIFY2(form.match(QString::fromLatin1(message)).hasMatch(), message.constData());
        }
    }

    void commandOf()
    {
        // "-": no answer of the server's.
        const QList<std::pair<QByteArray, QByteArray>> rows = {
            {"VAN042,1\r", ""}, {"VAN042,1RESET\r", "RESET"}, {"VAN042,1A,B\r", "A,B"},
            {"VAN042,1", "-"},  {"VAN043,1\r", "-"},          {"VAN042,0\r", "-"},
            {"", "-"}};
        for (const auto &[datagram, command] : rows)
            QCOMPARE(RealtimeSender::commandOf(datagram, "VAN042").value_or("-"), command);
    }

    // The unit calls before the console listens (lost), calls again, and fetches the shipped
    // configuration, camera table and operating system one after the other.
    void fetchesTheDemonstrationFilesFromServer()
    {
        ServerFixture server({}, 20);
        server.useOperatingSystemBase(QStringLiteral("os"));
        const QByteArray os = demoFile(QStringLiteral("V610/VORT610.HEX"));
        QVERIFY(!os.isEmpty());
        server.writeFile(QStringLiteral("os/V610/VORT610.HEX"), os);
        server.settings().setConfigurationFile(server.writeFile(
            QStringLiteral("cfg.txt"), demoFile(QStringLiteral("sample-configuration.txt"))));
        server.settings().setGpsTableFile(server.writeFile(
            QStringLiteral("cameras.txt"), demoFile(QStringLiteral("camera-table.txt"))));

        // A first listening learns the port the system gives; the console then listens there
        // again, after the unit's first call.
        QVERIFY(server.run({}, [] { return true; }));
        server.socket().setLocalPort(server.port());
        QStringList report;
        ServerCaller caller(
            {.port = server.port(),
             .requests = {"VAN042,V610,CONFIG", "VAN042,V610,GPSLOC", "VAN042,V610,UPLOAD"},
             .recallMs = 300,
             .pauseMs = 50},
            [&](const QString &line) { report << line; });
        QList<QByteArray> images;
        connect(&caller, &ServerCaller::transferCompleted, this,
                [&] { images << caller.unit().receivedImage(); });
        QVERIFY(caller.start());
        QVERIFY(server.run([] {}, [&] { return caller.completedTransfers() == 3; }));

        QCOMPARE(images.size(), 3);
        QCOMPARE(images[0].size(), 540);
        QCOMPARE(images[0].at(0), 'V');                              // character 8 of the request
        QCOMPARE(images[0].mid(16, 12), QByteArray("+31612345678")); // base phone number
        QCOMPARE(images[1].size(), 630);
        QCOMPARE(images[1].left(6), QByteArray("\x33\x2C\x10\x05\x2E\x61", 6)); // row 0
        // The operating system as stored, the last packet padded with F.
        const QByteArray data = caller.unit().receivedData();
        QCOMPARE(data.size() % 180, 0);
        QCOMPARE(data.left(os.size()), os);
        QCOMPARE(data.mid(os.size()), QByteArray(data.size() - os.size(), 'F'));
        QVERIFY(report.first().startsWith(QStringLiteral("calling 127.0.0.1:")));
        QVERIFY(report.contains(QStringLiteral("no answer from the server, calling again")));
        QCOMPARE(server.activityCount(
                     QStringLiteral("Operating system has been downloaded successfull !")),
                 1);
    }
};

QTEST_MAIN(TestSimulatedUnit)
#include "test_simulated_unit.moc"
