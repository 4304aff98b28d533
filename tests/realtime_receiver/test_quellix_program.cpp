#include "unit_side.h"

#include <QProcess>
#include <QtTest>

// The shipped program, started as an operator's script would start it.
class TestQuellixProgram : public QObject
{
    Q_OBJECT
private slots:
    void answersUnitOverUdp()
    {
        const quint16 port = freeUdpPort();
        QProcess quellix;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        quellix.setProcessEnvironment(environment);
        quellix.start(QStringLiteral(QUELLIX_PATH),
                      {QStringLiteral("--listen"), QString::number(port)});
        QVERIFY(quellix.waitForStarted());

        // Until the program listens, the unit's datagrams go nowhere: repeat like a unit does.
        UnitSide unit(port);
        QByteArray reply;
        for (int attempt = 0; attempt < 100 && reply.isEmpty(); ++attempt) {
            unit.send("ABCDEFGH");
            reply = unit.reply(200);
        }
        QCOMPARE(reply, QByteArray("ABCDEF,1\r"));
        unit.send("XYZ");
        do // answers to repeats still on their way
            reply = unit.reply();
        while (reply == "ABCDEF,1\r");
        QCOMPARE(reply, QByteArray("XYZ,1\r"));

        quellix.kill();
        QVERIFY(quellix.waitForFinished());
    }
};

QTEST_MAIN(TestQuellixProgram)
#include "test_quellix_program.moc"
