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
        if (!oneByOne) {
            unit.receive(bytes);
            return;
        }
        for (char c : bytes)
            unit.receive(QByteArray(1, c));
    }
    SimulatedUnit unit;
    RecordingLine line;
};
} // namespace

class TestSimulatedUnit : public QObject
{
    Q_OBJECT
private slots:
    void answersTheWakeUp_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<char>("digit");
        QTest::addColumn<bool>("silent");
        QTest::addColumn<bool>("wrongCase");
        QTest::addColumn<QByteArray>("answer");
        QTest::newRow("OK0") << QByteArray("O") << '0' << false << false << QByteArray("OK0\r\n");
        QTest::newRow("OK1") << QByteArray("O") << '1' << false << false << QByteArray("OK1\r\n");
        QTest::newRow("wrong case")
            << QByteArray("O") << '0' << false << true << QByteArray("ok0\r\n");
        QTest::newRow("silent") << QByteArray("O") << '0' << true << false << QByteArray();
        QTest::newRow("other letters")
            << QByteArray("o1NL") << '0' << false << false << QByteArray();
        QTest::newRow("again while waiting")
            << QByteArray("OO") << '0' << false << false << QByteArray("OK0\r\nOK0\r\n");
    }
    void answersTheWakeUp()
    {
        QFETCH(QByteArray, input);
        QFETCH(char, digit);
        QFETCH(bool, silent);
        QFETCH(bool, wrongCase);
        QFETCH(QByteArray, answer);
        Unit u;
        u.unit.setReadyDigit(digit);
        u.unit.setSilent(silent);
        u.unit.setWrongCase(wrongCase);
        u.feed(input, true);
        QCOMPARE(u.line.sent, answer);
    }

    void acceptsThePasswordAndRunsThePhase_data()
    {
        QTest::addColumn<bool>("oneByOne");
        QTest::newRow("in one piece") << false;
        QTest::newRow("character by character") << true;
    }
    void acceptsThePasswordAndRunsThePhase()
    {
        QFETCH(bool, oneByOne);
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

    void unknownLetterGetsNothingMore()
    {
        Unit u;
        u.feed("O6048\rZ6048\rO", false);
        QCOMPARE(u.line.sent, QByteArray("OK0\r\npOK0\r\n"));
    }

    void refusesAWrongPassword_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<bool>("refuseAll");
        QTest::newRow("wrong first") << QByteArray("O1234\rL6048\r") << false;
        QTest::newRow("wrong second") << QByteArray("O6048\rL604\r") << false;
        QTest::newRow("refusing unit") << QByteArray("O6048\rL6048\r") << true;
    }
    void refusesAWrongPassword()
    {
        QFETCH(QByteArray, input);
        QFETCH(bool, refuseAll);
        Unit u;
        u.unit.setRefusePassword(refuseAll);
        QSignalSpy refused(&u.unit, &SimulatedUnit::passwordRefused);
        u.feed(input, false);
        QCOMPARE(u.line.sent, QByteArray("OK0\r\n"));
        QCOMPARE(refused.size(), 1);
        QCOMPARE(u.unit.state(), SimulatedUnit::State::Asleep);
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
