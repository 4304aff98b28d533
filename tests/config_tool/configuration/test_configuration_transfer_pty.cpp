#include "configuration/configuration_image.h"
#include "configuration/configuration_transfer.h"
#include "configuration/setup1.h"
#include "link/port_map.h"
#include "link/qt_serial_port.h"
#include "support/recording_fakes.h"
#include "support/valid_configuration.h"
#include "support/vortsim_process.h"
#include "windows/gps_tracking.h"

#include <QElapsedTimer>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

// The configuration download and upload over a real pseudo-terminal: vortsim on one end, the
// production serial port on the other.
namespace {
const ShownMessage downloaded{QStringLiteral("Download succesful !"), QStringLiteral("Download"),
                              MessageIcon::Information};
const ShownMessage failed{QStringLiteral("Error download !"), QStringLiteral("Invalid download !"),
                          MessageIcon::Critical};
const ShownMessage uploaded{QStringLiteral("Upload complete"), QStringLiteral("Upload"),
                            MessageIcon::Information};

// From the moment the status button shows during a click until stop(): the operation's phase
// with its message.
class PhaseTimer
{
public:
    explicit PhaseTimer(QPushButton *status)
    {
        m_poll.setInterval(1);
        QObject::connect(&m_poll, &QTimer::timeout, [this, status] {
            if (!status->isHidden() && !m_clock.isValid())
                m_clock.start();
        });
        m_poll.start();
    }
    qint64 stop() const { return m_clock.isValid() ? m_clock.elapsed() : -1; }

private:
    QTimer m_poll;
    QElapsedTimer m_clock;
};
} // namespace

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
        QFETCH(QStringList, arguments);
        QFETCH(bool, succeeds);
        VortsimProcess unit(arguments + QStringList{"--unit-version", "V6.3 test"});
        QVERIFY(unit.start());
        QtSerialPort port(unit.comOne());
        RecordingMessageBoxes boxes;
        GPStracking window({&port, &boxes, nullptr, 100});
        auto *download = window.findChild<QPushButton *>(QStringLiteral("Command1"));
        auto *upload = window.findChild<QPushButton *>(QStringLiteral("Command7"));
        const ConfigurationRecord record = TestSupport::validConfiguration();
        QVERIFY(window.setup1()->setConfiguration(record));

        PhaseTimer downloadPhase(window.findChild<QPushButton *>(QStringLiteral("Command9")));
        download->click();
        const qint64 downloadMs = downloadPhase.stop();
        QCOMPARE(boxes.shown, QList<ShownMessage>{succeeds ? downloaded : failed});
        QVERIFY(!port.isOpen());
        if (succeeds) {
            // 512 characters of 10 bits each, against the pause after every one of them.
            const int lineMs = 512 * 10 * 1000 / 9600;
            qInfo("download phase: %lld ms for 512 characters (line time %d ms, pause %d ms)",
                  downloadMs, lineMs, downloadPauseMs(9600));
            QVERIFY(downloadMs >= 512 * downloadPauseMs(9600));
        }

        // The unit sends back what it now holds; the screens get it in the unit's styles.
        QVERIFY(window.setup1()->setConfiguration(ConfigurationRecord()));
        ConfigurationRecord expected = ConfigurationRecord();
        expected.versionNumber = QStringLiteral("V6.3 test");
        decodeConfigurationImage(*encodeConfigurationImage(record), expected);

        upload->click();

        if (succeeds) {
            QCOMPARE(boxes.shown, (QList<ShownMessage>{downloaded, uploaded}));
            QCOMPARE(window.setup1()->configuration(), expected);
            QVERIFY(!port.isOpen());
        } else {
            QCOMPARE(boxes.shown, (QList<ShownMessage>{failed, failed}));
            QCOMPARE(window.setup1()->configuration(), ConfigurationRecord());
            QVERIFY(port.isOpen());
        }
    }
};

QTEST_MAIN(TestConfigurationTransferPty)
#include "test_configuration_transfer_pty.moc"
