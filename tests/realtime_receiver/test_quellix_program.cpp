#include "support/program_process.h"
#include "unit_simulator/realtime_sender.h"

#include <QtTest>

// The shipped program, started as an operator's script would start it (the window, offscreen).
class TestQuellixProgram : public QObject
{
    Q_OBJECT
private slots:
    void answersUnitOverUdp()
    {
        // The simulated unit sends a position every 100 ms, lost until the program listens: those
        // that come are answered one by one, with no command. No answer at all: the port was
        // taken since it was picked (by a test running beside this one), so again on a new one.
        qputenv("QT_QPA_PLATFORM", "offscreen");
        QList<QByteArray> answers;
        for (int attempt = 0; attempt < 5 && answers.size() < 3; ++attempt) {
            RealtimeSender::Options options;
            options.port = ProgramProcess::freeUdpPort();
            options.intervalMs = 100;
            ProgramProcess quellix(QStringLiteral(QUELLIX_PATH),
                                   {QStringLiteral("--listen"), QString::number(options.port)});
            QVERIFY(quellix.start());
            RealtimeSender sender(options, [](const QString &) {});
            answers.clear();
            connect(&sender, &RealtimeSender::answerReceived, this,
                    [&](const QByteArray &answer) { answers << answer; });
            QVERIFY(sender.start());
            if (QTest::qWaitFor([&] { return answers.size() >= 3; }, 20000))
                QVERIFY(sender.commands().isEmpty());
        }
        QVERIFY(answers.size() >= 3);
        for (const QByteArray &answer : answers)
            QCOMPARE(answer, QByteArray("VAN042,1\r"));
    }
};

QTEST_MAIN(TestQuellixProgram)
#include "test_quellix_program.moc"
