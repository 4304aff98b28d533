#include "configuration/configuration_image.h"
#include "configuration/configuration_transfer.h"
#include "link/operation.h"
#include "link/qt_serial_port.h"
#include "session/unit_session.h"
#include "support/valid_configuration.h"
#include "support/vortsim_process.h"

#include <QElapsedTimer>
#include <QtTest>

// The configuration download and upload over a real pseudo-terminal: vortsim on one end, the
// production serial port and the session on the other.
class TestConfigurationTransferPty : public QObject
{
    Q_OBJECT
private slots:
    void downloadThenUploadThroughVortsim_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("succeeds");
        QTest::newRow("well-behaved") << QStringList() << true;
        QTest::newRow("early OK, lone p")
            << QStringList{"--download-answer", "early", "--upload-leading-p"} << true;
        QTest::newRow("no OK, version in one piece")
            << QStringList{"--download-answer", "none", "--version-in-one-piece"} << false;
    }
    void downloadThenUploadThroughVortsim()
    {
        using Result = OperationOutcome::Result;
        QFETCH(QStringList, arguments);
        QFETCH(bool, succeeds);
        VortsimProcess unit(arguments + QStringList{"--unit-version", "V6.3 test"});
        QVERIFY(unit.start());
        QtSerialPort port(unit.comOne());
        UnitSession session(port, 100);
        const ConfigurationRecord record = TestSupport::validConfiguration();
        QVERIFY(session.configuration().setRecord(record));
        // The phase runs from its status button on.
        QElapsedTimer downloadPhase;
        connect(&session, &UnitSession::statusChanged, this, [&](StatusItem item, bool on) {
            if (item == StatusItem::Command9 && on)
                downloadPhase.start();
        });

        OperationOutcome outcome = session.run(Operation::downloadConfiguration);
        const qint64 downloadMs = downloadPhase.elapsed();
        QCOMPARE(outcome.result, succeeds ? Result::Success : Result::Failed);
        QCOMPARE(outcome.message->prompt, succeeds ? QStringLiteral("Download succesful !")
                                                   : QStringLiteral("Error download !"));
        QVERIFY(!port.isOpen());
        if (succeeds) {
            // 512 characters of 10 bits each, against the pause after every one of them.
            const int lineMs = 512 * 10 * 1000 / 9600;
            qInfo("download phase: %lld ms for 512 characters (line time %d ms, pause %d ms)",
                  downloadMs, lineMs, downloadPauseMs(9600));
            QVERIFY(downloadMs >= 512 * downloadPauseMs(9600));
        }

        // The unit sends back what it now holds, in the unit's styles.
        QVERIFY(session.configuration().setRecord(ConfigurationRecord()));
        ConfigurationRecord expected = ConfigurationRecord();
        expected.versionNumber = QStringLiteral("V6.3 test");
        decodeConfigurationImage(*encodeConfigurationImage(record), expected);

        outcome = session.run(Operation::uploadConfiguration);

        QCOMPARE(outcome.result, succeeds ? Result::Success : Result::Failed);
        QCOMPARE(outcome.message->prompt,
                 succeeds ? QStringLiteral("Upload complete") : QStringLiteral("Error download !"));
        QCOMPARE(session.configuration().record(), succeeds ? expected : ConfigurationRecord());
        QCOMPARE(port.isOpen(), !succeeds);
    }
};

QTEST_GUILESS_MAIN(TestConfigurationTransferPty)
#include "test_configuration_transfer_pty.moc"
