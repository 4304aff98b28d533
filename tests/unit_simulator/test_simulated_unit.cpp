#include "link/qt_serial_port.h"
#include "simulated_unit.h"
#include "support/vortsim_process.h"

#include <QSignalSpy>
#include <QtTest>

namespace {
// The PC's end of the line as the unit sees it: everything transmitted, in order.
class RecordingLine : public UnitLine
{
public:
    void transmit(const QByteArray &characters) override { sent += characters; }
    QByteArray sent;
};

// A phase that echoes every arrival back in lower case and ends on "x".
class EchoPhase : public UnitPhase
{
public:
    void begin(UnitLine &line) override
    {
        ++begun;
        done = false;
        line.transmit("first");
    }
    void receive(const QByteArray &characters, UnitLine &line) override
    {
        arrivals.append(characters);
        line.transmit(characters.toLower());
        done = characters.contains('x');
    }
    bool finished() const override { return done; }
    void abandon() override { ++abandoned; }
    int begun = 0;
    int abandoned = 0;
    bool done = false;
    QList<QByteArray> arrivals;
};

struct Unit
{
    Unit() { unit.setLine(&line); }
    void feed(const QByteArray &bytes, bool oneByOne)
    {
        for (qsizetype at = 0; at < bytes.size(); at += oneByOne ? 1 : bytes.size())
            unit.receive(bytes.mid(at, oneByOne ? 1 : -1));
    }
    SimulatedUnit unit;
    RecordingLine line;
};
} // namespace

class TestSimulatedUnit : public QObject
{
    Q_OBJECT
private slots:
    // What the unit answers, fed in one piece and character by character.
    void answers_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QString>("quirk");
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<int>("refusals"); // each leaves the unit asleep
        const QByteArray ok0 = "OK0\r\n";
        QTest::newRow("OK0") << QByteArray("O") << QString() << ok0 << 0;
        QTest::newRow("OK1") << QByteArray("O") << "ready 1" << QByteArray("OK1\r\n") << 0;
        QTest::newRow("wrong case")
            << QByteArray("O") << "wrong case" << QByteArray("ok0\r\n") << 0;
        QTest::newRow("silent") << QByteArray("O") << "silent" << QByteArray() << 0;
        QTest::newRow("other letters") << QByteArray("o1NL") << QString() << QByteArray() << 0;
        QTest::newRow("again while waiting") << QByteArray("OO") << QString() << ok0 + ok0 << 0;
        QTest::newRow("unknown letter gets nothing more")
            << QByteArray("O6048\rZ6048\rO") << QString() << QByteArray("OK0\r\npOK0\r\n") << 0;
        QTest::newRow("wrong first password")
            << QByteArray("O1234\rL6048\r") << QString() << ok0 << 1;
        QTest::newRow("wrong second password")
            << QByteArray("O6048\rL604\r") << QString() << ok0 << 1;
        QTest::newRow("refusing unit") << QByteArray("O6048\rL6048\r") << "refuses" << ok0 << 1;
    }
    void answers()
    {
        QFETCH(QByteArray, input);
        QFETCH(QString, quirk);
        QFETCH(QByteArray, answer);
        QFETCH(int, refusals);
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

    void acceptsThePasswordAndRunsThePhase()
    {
        for (const bool oneByOne : {false, true}) {
            Unit u;
            auto phase = std::make_unique<EchoPhase>();
            EchoPhase *echo = phase.get();
            u.unit.addPhase('L', std::move(phase));
            QSignalSpy accepted(&u.unit, &SimulatedUnit::operationAccepted);

            u.feed("O6048\rL6048\r", oneByOne);
            QCOMPARE(u.line.sent, QByteArray("OK0\r\npfirst"));
            QCOMPARE(accepted.size(), 1);
            QCOMPARE(accepted[0][0].value<char>(), 'L');
            QCOMPARE(u.unit.state(), SimulatedUnit::State::InPhase);

            u.unit.receive("AB");
            u.unit.receive("x");
            QCOMPARE(echo->arrivals, QList<QByteArray>({"AB", "x"}));
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
        auto phase = std::make_unique<EchoPhase>();
        EchoPhase *echo = phase.get();
        u.unit.addPhase('L', std::move(phase));
        u.unit.setResetAfterMs(30);
        u.feed("O6048\rL", false);
        QTRY_COMPARE(u.unit.state(), SimulatedUnit::State::Asleep);
        u.feed("O6048\rL6048\r", false);
        QCOMPARE(u.unit.state(), SimulatedUnit::State::InPhase);
        QTRY_COMPARE(echo->abandoned, 1);
        QCOMPARE(u.unit.state(), SimulatedUnit::State::Asleep);

        // A PC that gave up in the middle of a phase wakes the unit again.
        u.unit.setResetAfterMs(60000);
        u.feed("O6048\rL6048\r", false);
        u.line.sent.clear();
        u.unit.receive("O");
        QCOMPARE(echo->abandoned, 2);
        QCOMPARE(u.line.sent, QByteArray("OK0\r\n"));
    }

    void vortsimServesItsPseudoTerminal_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("answer");
        QTest::newRow("demo") << QStringList{"--demo"} << QByteArray("OK0\r\n");
        QTest::newRow("wrong case")
            << QStringList{"--wrong-case", "--ready-digit", "1"} << QByteArray("ok1\r\n");
    }
    void vortsimServesItsPseudoTerminal()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, answer);
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
};

QTEST_MAIN(TestSimulatedUnit)
#include "test_simulated_unit.moc"
