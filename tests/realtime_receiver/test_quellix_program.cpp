#include "support/program_process.h"
#include "unit_simulator/realtime_sender.h"

#include <QProcess>
#include <QtTest>

// The shipped program, started as an operator's script would start it.
class TestQuellixProgram : public QObject
{
    Q_OBJECT
private slots:
    void answersUnitOverUdp()
    {
        const quint16 port = ProgramProcess::freeUdpPort();
        QProcess quellix;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        quellix.setProcessEnvironment(environment);
        quellix.start(QStringLiteral(QUELLIX_PATH),
                      {QStringLiteral("--listen"), QString::number(port)});
        QVERIFY(quellix.waitForStarted());

        // The simulated unit sends a position every 100 ms, lost until the program listens: those
        // that come are answered one by one, with no command.
        RealtimeSender::Options options;
        options.port = port;
        options.intervalMs = 100;
        QList<QByteArray> answers;
        RealtimeSender sender(options, [](const QString &) {});
        connect(&sender, &RealtimeSender::answerReceived, this,
                [&](const QByteArray &answer) { answers << answer; });
        QVERIFY(sender.start());
        QTRY_VERIFY_WITH_TIMEOUT(answers.size() >= 3, 20000);
        for (const QByteArray &answer : answers)
            QCOMPARE(answer, QByteArray("VAN042,1\r"));
        QVERIFY(sender.commands().isEmpty());

        quellix.kill();
        QVERIFY(quellix.waitForFinished());
    }
};

QTEST_MAIN(TestQuellixProgram)
#include "test_quellix_program.moc"
