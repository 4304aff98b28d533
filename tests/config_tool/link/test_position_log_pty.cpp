#include "link/operation.h"
#include "link/qt_serial_port.h"
#include "session/unit_session.h"
#include "support/recording_fakes.h"
#include "support/vortsim_process.h"

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

Q_DECLARE_METATYPE(ShownMessage)

// The upload against vortsim over a pseudo-terminal, through the production serial layer and
// the session, without a window.
class TestPositionLogPty : public QObject
{
    Q_OBJECT
private slots:
    void uploadsFromVortsim_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("lines");
        QTest::addColumn<ShownMessage>("message");
        QTest::newRow("demo drive")
            << QStringList{"--demo"} << 36
            << ShownMessage{" 36 GPS locations Saved !", "Saved", MessageIcon::Information};
        QTest::newRow("silent in the third record")
            << QStringList{"--positions", "5", "--positions-silent-after", "90"} << 2
            << ShownMessage{"Error GPS Data download !", "Invalid download !",
                            MessageIcon::Critical};
    }
    void uploadsFromVortsim()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, lines);
        QFETCH(ShownMessage, message);
        QTemporaryDir directory;
        QDir::setCurrent(directory.path());
        VortsimProcess unit(arguments);
        QVERIFY(unit.start());
        QtSerialPort port(unit.comOne());
        UnitSession session(port, 100);

        const OperationOutcome outcome = session.run(Operation::uploadLocations);

        QVERIFY(outcome.message);
        QCOMPARE(
            (ShownMessage{outcome.message->prompt, outcome.message->title, outcome.message->icon}),
            message);
        QCOMPARE(session.positionLogRecords(), lines);
        const QStringList files = QDir().entryList(QDir::Files);
        QCOMPARE(files, QStringList{session.positionLogFile()});
        QFile file(files.first());
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QList<QByteArray> content = file.readAll().split('\n');
        QCOMPARE(content.size(), lines + 1);
        QCOMPARE(content.last(), QByteArray());
        // The drive starts in London at 14:03:27 on 6 December 2026.
        QCOMPARE(content.first(), QByteArray("\"06/12/26\",\"14:03:27\",\"5130.4521\",\"N\","
                                             "\"00007.5678\",\"W\",\"038.0\",\"200.0\"\r"));
        const QRegularExpression line(QStringLiteral(
            R"(^"\d\d/\d\d/\d\d","\d\d:\d\d:\d\d","\d{4}\.\d{4}","[NS]","\d{5}\.\d{4}","[EW]",)"
            R"("\d{3}\.\d","\d{3}\.\d"\r$)"));
        for (int i = 0; i < lines; ++i)
            QVERIFY2(line.match(QString::fromLatin1(content.at(i))).hasMatch(), content.at(i));
        // A timeout leaves the port open at the upload's speed.
        const bool timedOut = message.title == QLatin1String("Invalid download !");
        QCOMPARE(port.isOpen(), timedOut);
        if (timedOut)
            QCOMPARE(port.baudRate(), 38400);
        QDir::setCurrent(QDir::tempPath());
    }
};

QTEST_GUILESS_MAIN(TestPositionLogPty)
#include "test_position_log_pty.moc"
