#include "common/hex_pair.h"
#include "configuration/configuration_image.h"
#include "support/main_window_bench.h"
#include "support/valid_configuration.h"
#include "unit_configuration_phases.h"
#include "windows/setup1.h"
#include "windows/setup3.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QtTest>

// Configuration download and upload from the main menu against the simulated unit.
namespace {
const ShownMessage downloaded{"Download succesful !", "Download", MessageIcon::Information};
const ShownMessage failed{"Error download !", "Invalid download !", MessageIcon::Critical};
const ShownMessage uploaded{"Upload complete", "Upload", MessageIcon::Information};

struct TransferBench : MainWindowBench
{
    TransferBench() { installConfigurationPhases(unit); }

    auto &store() { return *dynamic_cast<ConfigurationStorePhase *>(unit.phase('D')); }
    auto &send() { return *dynamic_cast<ConfigurationSendPhase *>(unit.phase('U')); }
    UnitConfiguration &held() { return *store().configuration(); }
    Setup1 &setup1() { return *window.setup1(); }
    // Anywhere on the screen, also inside its groups.
    template <typename T> T *field(const char *name, QWidget *screen = nullptr)
    {
        return control<T>(name, screen ? screen : window.setup1());
    }
    // What the PC wrote after the handshake of the operation with this letter.
    QByteArray phaseTraffic(char letter) const
    {
        const QByteArray written = port.written();
        const QByteArray handshakeEnd = letter + QByteArray("6048\r");
        const qsizetype at = written.indexOf(handshakeEnd);
        return at < 0 ? QByteArray() : written.mid(at + handshakeEnd.size());
    }
    // Notes whether the status button showed while the run went on.
    void watchStatus(const char *name)
    {
        QPushButton *status = button(name);
        whileRunning([this, status] {
            statusShown = statusShown || !status->isHidden();
            return false;
        });
    }
    bool statusShown = false;
};

// Every hex character comes with a stray one in the same arrival: the PC keeps only the first.
class DoubledCharactersPhase : public ConfigurationSendPhase, UnitLine
{
public:
    using ConfigurationSendPhase::ConfigurationSendPhase;
    void begin(UnitLine &line) override
    {
        m_port = &line;
        ConfigurationSendPhase::begin(*this);
    }
    void transmit(const QByteArray &characters) override
    {
        m_port->transmit(finished() ? characters : characters + "Z");
    }

private:
    UnitLine *m_port = nullptr;
};
// A port whose characters never leave the PC, as when the device has gone.
class StuckPort : public SimulatedSerialPort
{
public:
    qint64 bytesToWrite() const override { return isOpen() ? 1 : 0; }
};
} // namespace

class TestConfigurationTransfer : public QObject
{
    Q_OBJECT
private slots:
    void downloadSendsTheImageAndWaitsForOK_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<ShownMessage>("message");
        using A = ConfigurationStorePhase::Answer;
        QTest::newRow("OK") << int(A::Ok) << downloaded;
        QTest::newRow("no answer") << int(A::None) << failed;
        QTest::newRow("lower-case ok") << int(A::LowerCase) << failed;
        // Waiting in the port since the send: read by the wait for "OK".
        QTest::newRow("OK sent early") << int(A::Early) << downloaded;
    }
    void downloadSendsTheImageAndWaitsForOK()
    {
        QFETCH(int, answer);
        QFETCH(ShownMessage, message);
        TransferBench bench;
        bench.store().setAnswer(ConfigurationStorePhase::Answer(answer));
        const ConfigurationRecord record = TestSupport::validConfiguration();
        QVERIFY(bench.setup1().setConfiguration(record));
        const QByteArray image = *encodeConfigurationImage(record);
        bench.watchStatus("Command9");

        bench.button("Command1")->click();
        QVERIFY(bench.awaitRun());

        QVERIFY(!bench.timedOut);
        QCOMPARE(bench.boxes.shown, QList<ShownMessage>{message});
        QCOMPARE(bench.window.configurationImage(), image);
        QCOMPARE(bench.phaseTraffic('D'), HexPair::encode(image));
        QCOMPARE(bench.held().bytes, image);
        QVERIFY(bench.statusShown);
        QVERIFY(bench.button("Command9")->isHidden());
        QVERIFY(!bench.port.isOpen()); // closed whatever the outcome
    }

    void uploadPutsTheUnitsConfigurationOnTheScreens_data()
    {
        QTest::addColumn<bool>("leadingP");
        QTest::addColumn<bool>("longApn");
        QTest::addColumn<bool>("doubled");
        QTest::newRow("plain") << false << false << false;
        QTest::newRow("lone p first") << true << false << false;
        QTest::newRow("32-character APN") << false << true << false;
        QTest::newRow("characters doubled") << false << false << true;
    }
    void uploadPutsTheUnitsConfigurationOnTheScreens()
    {
        QFETCH(bool, leadingP);
        QFETCH(bool, longApn);
        QFETCH(bool, doubled);
        TransferBench bench;
        bench.send().setLeadingP(leadingP);
        if (doubled)
            bench.unit.addPhase(
                'U', std::make_unique<DoubledCharactersPhase>(bench.store().configuration()));
        const QByteArray apn(32, 'a');
        if (longApn) {
            bench.held().bytes.replace(224, 32, apn);
            bench.window.configurationImage()[255] = 'Z'; // whatever an earlier build left
        }
        ConfigurationRecord expected = bench.setup1().configuration();
        expected.versionNumber = QStringLiteral("V6.3");
        decodeConfigurationImage(bench.held().bytes, expected);

        bench.button("Command7")->click();
        QVERIFY(bench.awaitRun());

        QCOMPARE(bench.boxes.shown, QList<ShownMessage>{uploaded});
        // Every character answered with "1", the lone "p" not.
        QCOMPARE(bench.phaseTraffic('U'), QByteArray(510, '1'));
        QCOMPARE(bench.window.configurationImage().left(255), bench.held().bytes.left(255));
        QCOMPARE(bench.setup1().configuration(), expected);
        QCOMPARE(bench.field<QLabel>("Label2")->text(), QStringLiteral("V6.3"));
        if (longApn) {
            QCOMPARE(bench.field<QLineEdit>("Text21")->text(), QString::fromLatin1(apn.left(31)));
        } else {
            // The sample unit, as the user reads it.
            QWidget *setup3 = bench.window.setup3();
            QCOMPARE((QStringList{bench.field<QLineEdit>("Text2")->text(),
                                  bench.field<QLineEdit>("Text29")->text(),
                                  bench.field<QLineEdit>("Text10")->text(),
                                  bench.field<QLineEdit>("Text2", setup3)->text()}),
                     (QStringList{"+447700900123", "120", " 192. 0. 2. 25", " 128"}));
            QCOMPARE(bench.field<QComboBox>("Combo2")->currentIndex(), 2);
            QCOMPARE(bench.field<QComboBox>("Combo1", setup3)->currentIndex(), 3);
        }
        QVERIFY(bench.button("Command8")->isHidden());
        QVERIFY(!bench.port.isOpen());
    }

    void uploadFailuresLeaveTheScreensAndThePortOpen_data()
    {
        QTest::addColumn<int>("silentAfter"); // -1: never
        QTest::addColumn<QByteArray>("version");
        QTest::addColumn<bool>("onePiece");
        QTest::newRow("silent from the start") << 0 << QByteArray("V6.3") << false;
        QTest::newRow("silent mid-byte") << 301 << QByteArray("V6.3") << false;
        QTest::newRow("silent before the last") << 509 << QByteArray("V6.3") << false;
        QTest::newRow("version in one piece") << -1 << QByteArray("V6.3") << true;
        QTest::newRow("version in two pieces") << -1 << QByteArray("V6") << false;
        QTest::newRow("no version") << -1 << QByteArray() << false;
    }
    void uploadFailuresLeaveTheScreensAndThePortOpen()
    {
        QFETCH(int, silentAfter);
        QFETCH(QByteArray, version);
        QFETCH(bool, onePiece);
        TransferBench bench;
        bench.send().setSilentAfter(silentAfter);
        bench.send().setVersionInOnePiece(onePiece);
        bench.held().version = version;
        const ConfigurationRecord before = bench.setup1().configuration();
        bench.watchStatus("Command8");

        bench.button("Command7")->click();
        QVERIFY(bench.awaitRun());

        QCOMPARE(bench.boxes.shown, QList<ShownMessage>{failed});
        QCOMPARE(bench.setup1().configuration(), before);
        QCOMPARE(bench.field<QLabel>("Label2")->text(), QStringLiteral("V6.X"));
        QVERIFY(bench.statusShown);
        QVERIFY(bench.button("Command8")->isHidden());
        QVERIFY(bench.port.isOpen());
        const int answered = silentAfter < 0 ? 510 : silentAfter;
        QCOMPARE(bench.phaseTraffic('U'), QByteArray(answered, '1'));
    }

    void stuckLineEndsTheDownload()
    {
        SimulatedUnit unit;
        installConfigurationPhases(unit);
        StuckPort port;
        port.attach(1, &unit);
        RecordingMessageBoxes boxes;
        GPStracking window({&port, &boxes, nullptr, MainWindowBench::tickMs});
        QVERIFY(window.setup1()->setConfiguration(TestSupport::validConfiguration()));

        window.findChild<QPushButton *>(QStringLiteral("Command1"))->click();
        QVERIFY(awaitRunEnd(window.session()));

        // One character written, then the failure instead of a wait without end.
        QCOMPARE(boxes.shown, QList<ShownMessage>{failed});
        QVERIFY(port.written().endsWith("D6048\r5"));
        QVERIFY(!port.isOpen());
    }
};

QTEST_MAIN(TestConfigurationTransfer)
#include "test_configuration_transfer.moc"
