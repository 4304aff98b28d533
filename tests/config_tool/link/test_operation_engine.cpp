#include "configuration/setup1.h"
#include "link/operation.h"
#include "support/main_window_bench.h"
#include "support/valid_configuration.h"

#include <QLabel>
#include <QListWidget>
#include <QRegularExpression>
#include <QtTest>

namespace {
const ShownMessage invalidPassword{QStringLiteral("Invalid Password"),
                                   QStringLiteral("Password Invalid !"), MessageIcon::Critical};

// A phase put in by a test: notes what it found at entry and ends as it is told.
class ScriptedPhase : public OperationPhase
{
public:
    explicit ScriptedPhase(PhaseOutcome outcome) : outcome(outcome) {}
    PhaseOutcome run(OperationContext &context) override
    {
        ++runs;
        portOpenAtEntry = context.port.isOpen();
        replyReceivedAtEntry = context.replyReceived;
        tickCountAtEntry = context.clock.tickCount();
        return outcome;
    }
    PhaseOutcome outcome;
    int runs = 0;
    bool portOpenAtEntry = false;
    bool replyReceivedAtEntry = true;
    int tickCountAtEntry = -1;
};

// The common exchange alone: the operations' own phases taken out.
void removePhases(MainWindowBench &bench)
{
    for (int code = 0; code < Operation::count; ++code)
        bench.window.engine().phases().add(code, nullptr);
}

int count(const QByteArray &text, char c)
{
    return static_cast<int>(text.count(c));
}
} // namespace

class TestOperationEngine : public QObject
{
    Q_OBJECT
private slots:
    void runsTheCommonExchange_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<char>("letter");
        QTest::addColumn<char>("readyDigit");
        QTest::newRow("upload configuration, OK0") << "Command7" << 'U' << '0';
        QTest::newRow("download configuration, OK1") << "Command1" << 'D' << '1';
        QTest::newRow("positions, OK1") << "Command10" << 'L' << '1';
        QTest::newRow("table upload, OK0") << "Command13" << 'C' << '0';
        QTest::newRow("table download, OK1") << "Command14" << 'O' << '1';
    }
    void runsTheCommonExchange()
    {
        QFETCH(QString, button);
        QFETCH(char, letter);
        QFETCH(char, readyDigit);
        MainWindowBench bench;
        removePhases(bench);
        bench.unit.setReadyDigit(readyDigit);
        // The common exchange alone: the operation's own phase is replaced by one that succeeds.
        const int code = int(QByteArray("UDLCO").indexOf(letter));
        bench.window.engine().phases().add(code,
                                           std::make_unique<ScriptedPhase>(PhaseOutcome::Success));
        QList<char> accepted;
        bool connectingShownAtAcceptance = true;
        connect(&bench.unit, &SimulatedUnit::operationAccepted, this, [&](char l) {
            accepted.append(l);
            connectingShownAtAcceptance = bench.button("Command5")->isVisible();
        });
        bench.window.show();
        // The exchange alone: without the operation's own phase and Command1's image build.
        bench.window.engine().phases().add(static_cast<int>(QByteArray("UDLCO").indexOf(letter)),
                                           nullptr);
        bench.window.session().configuration().setRecord(TestSupport::validConfiguration());

        bench.button(button.toLatin1().constData())->click();

        QCOMPARE(accepted, QList<char>{letter});
        QVERIFY(!connectingShownAtAcceptance);
        // "O" until the answer, then password, letter and password again.
        const QString exchange = QStringLiteral("^O+6048\r") + QLatin1Char(letter) + "6048\r$";
        QVERIFY(QRegularExpression(exchange)
                    .match(QString::fromLatin1(bench.port.written()))
                    .hasMatch());
        QCOMPARE(bench.port.settings(), QStringLiteral("9600,N,8,1"));
        QCOMPARE(bench.port.openPortNumber(), 0);
        QCOMPARE(bench.boxes.shown, QList<ShownMessage>{});
        QVERIFY(bench.button("Command5")->isHidden());
    }

    void ignoresAnswersWithoutReadyLine_data()
    {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<bool>("wrongCase");
        QTest::addColumn<bool>("split");
        QTest::newRow("no CR LF") << QByteArray("OK0") << false << false;
        QTest::newRow("LF only") << QByteArray("OK0\n") << false << false;
        QTest::newRow("other digit") << QByteArray("OK2\r\n") << false << false;
        QTest::newRow("lower case") << QByteArray() << true << false;
        QTest::newRow("split across ticks") << QByteArray() << false << true;
    }
    void ignoresAnswersWithoutReadyLine()
    {
        QFETCH(QByteArray, answer);
        QFETCH(bool, wrongCase);
        QFETCH(bool, split);
        MainWindowBench bench;
        bench.unit.setAnswerText(answer);
        bench.unit.setWrongCase(wrongCase);
        bench.unit.setSplitAnswer(split, MainWindowBench::tickMs * 3 / 2);
        bench.window.show();
        QPushButton *connecting = bench.button("Command5");
        bench.whileRunning([&] {
            if (count(bench.port.written(), 'O') < 6)
                return false;
            connecting->click();
            return true;
        });

        bench.button("Command10")->click();

        QVERIFY(!bench.timedOut);
        QVERIFY(bench.unit.wakeAnswers() >= 3);
        // Never answered: only "O" went out, and the click ended it quietly.
        QCOMPARE(bench.port.written(), QByteArray(count(bench.port.written(), 'O'), 'O'));
        QCOMPARE(bench.boxes.shown, QList<ShownMessage>{});
        QVERIFY(!bench.port.isOpen());
    }

    void abortWhileConnectingClosesThePort()
    {
        MainWindowBench bench;
        bench.unit.setSilent(true);
        bench.window.show();
        QPushButton *connecting = bench.button("Command5");
        bool visibleWhileConnecting = false;
        bench.whileRunning([&] {
            if (count(bench.port.written(), 'O') < 3)
                return false;
            visibleWhileConnecting = connecting->isVisible();
            connecting->click();
            return true;
        });

        bench.button("Command7")->click();

        QVERIFY(visibleWhileConnecting);
        QVERIFY(connecting->isHidden());
        QVERIFY(!bench.port.isOpen());
        QCOMPARE(bench.boxes.shown, QList<ShownMessage>{});
    }

    void abortDuringThePauseClosesThePort()
    {
        MainWindowBench bench;
        bench.window.show();
        bench.whileRunning([&] {
            if (!bench.port.written().endsWith("6048\rL"))
                return false;
            bench.button("Command5")->click();
            return true;
        });

        bench.button("Command10")->click();

        QVERIFY(!bench.port.isOpen());
        QVERIFY(bench.port.written().endsWith("6048\rL")); // no second password
        QCOMPARE(bench.boxes.shown, QList<ShownMessage>{});
    }

    void invalidPasswordLeavesThePortOpenForTheNextRun_data()
    {
        QTest::addColumn<bool>("unitRefuses");
        QTest::addColumn<QString>("typedPassword");
        QTest::newRow("unit refuses") << true << "6048";
        QTest::newRow("wrong password typed") << false << "1234";
    }
    void invalidPasswordLeavesThePortOpenForTheNextRun()
    {
        QFETCH(bool, unitRefuses);
        QFETCH(QString, typedPassword);
        MainWindowBench bench;
        removePhases(bench);
        SimulatedUnit other;
        bench.port.attach(2, &other);
        bench.unit.setRefusePassword(unitRefuses);
        bench.window.setup1()->writeText(37, typedPassword);
        bench.window.show();

        bench.button("Command10")->click();

        QCOMPARE(bench.boxes.shown, QList<ShownMessage>{invalidPassword});
        QCOMPARE(bench.port.openPortNumber(), 1);
        QVERIFY(bench.button("Command5")->isHidden());

        // Choosing COM2 changes the label at once, but the open port is used.
        bench.button("Command4")->click();
        auto *list = bench.control<QListWidget>("List2");
        emit list->itemDoubleClicked(list->item(1));
        QCOMPARE(bench.control<QLabel>("Label2")->text(), QStringLiteral("COM2 Selected"));
        bench.unit.setRefusePassword(false);
        bench.window.setup1()->writeText(37, QStringLiteral("6048"));
        QList<char> accepted;
        connect(&bench.unit, &SimulatedUnit::operationAccepted, this,
                [&](char l) { accepted.append(l); });

        bench.button("Command13")->click();

        QCOMPARE(accepted, QList<char>{'C'});
        QCOMPARE(bench.port.openCount(), 1);
        QCOMPARE(other.received(), QByteArray());
        QCOMPARE(bench.boxes.shown, QList<ShownMessage>{invalidPassword});
    }

    void phaseOutcomeDecidesThePort_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("outcome");
        QTest::addColumn<bool>("leftOpen");
        const int success = int(PhaseOutcome::Success);
        const int failure = int(PhaseOutcome::Failure);
        const int abort = int(PhaseOutcome::Abort);
        QTest::newRow("0 failure") << 0 << failure << true;
        QTest::newRow("1 success") << 1 << success << false;
        QTest::newRow("1 failure") << 1 << failure << false;
        QTest::newRow("2 failure") << 2 << failure << true;
        QTest::newRow("2 abort") << 2 << abort << false;
        QTest::newRow("4 failure") << 4 << failure << true;
    }
    void phaseOutcomeDecidesThePort()
    {
        QFETCH(int, code);
        QFETCH(int, outcome);
        QFETCH(bool, leftOpen);
        MainWindowBench bench;
        bench.window.session().configuration().setRecord(TestSupport::validConfiguration());
        auto phase = std::make_unique<ScriptedPhase>(PhaseOutcome(outcome));
        ScriptedPhase *scripted = phase.get();
        bench.window.engine().phases().add(code, std::move(phase));

        bench.window.startOperation(code);

        QCOMPARE(scripted->runs, 1);
        QVERIFY(scripted->portOpenAtEntry);
        QVERIFY(!scripted->replyReceivedAtEntry);
        QCOMPARE(scripted->tickCountAtEntry, 0);
        QCOMPARE(bench.port.isOpen(), leftOpen);
    }

    void menuIsGuardedWhileRunning()
    {
        MainWindowBench bench;
        bench.unit.setSilent(true);
        bench.window.show();
        const char *guarded[] = {"Command1",  "Command6",  "Command7",  "Command10",
                                 "Command12", "Command13", "Command14", "Command17"};
        bool allDisabled = false;
        bool openedScreen = false;
        bench.whileRunning([&] {
            if (count(bench.port.written(), 'O') < 2)
                return false;
            allDisabled = true;
            for (const char *name : guarded)
                allDisabled = allDisabled && !bench.button(name)->isEnabled();
            bench.button("Command7")->click();
            bench.button("Command6")->click();
            openedScreen = bench.window.setup1()->isVisible();
            bench.button("Command5")->click();
            return true;
        });

        bench.button("Command10")->click();

        QVERIFY(allDisabled);
        QVERIFY(!openedScreen);
        QCOMPARE(bench.port.openCount(), 1);
        for (const char *name : guarded)
            QVERIFY(bench.button(name)->isEnabled());
    }

    void exitDuringARunEndsItAndCloses_data()
    {
        QTest::addColumn<bool>("byFrame");
        QTest::newRow("EXIT") << false;
        QTest::newRow("window frame") << true;
    }
    void exitDuringARunEndsItAndCloses()
    {
        QFETCH(bool, byFrame);
        MainWindowBench bench;
        bench.unit.setSilent(true);
        bench.window.show();
        bench.whileRunning([&] {
            if (count(bench.port.written(), 'O') < 2)
                return false;
            if (byFrame)
                bench.window.close();
            else
                bench.button("Command3")->click();
            return true;
        });

        bench.button("Command10")->click();

        QVERIFY(!bench.timedOut);
        QVERIFY(!bench.port.isOpen());
        QVERIFY(!bench.window.isVisible());
        QCOMPARE(bench.boxes.shown, QList<ShownMessage>{});
    }
};

QTEST_MAIN(TestOperationEngine)
#include "test_operation_engine.moc"
