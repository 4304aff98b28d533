// vortsetup's session without a window: each operation's outcome, box and effect on its data.
#include "link/operation.h"
#include "session/unit_session.h"
#include "support/main_window_bench.h"
#include "support/simulated_serial_port.h"
#include "support/valid_configuration.h"
#include "unit_location_table.h"
#include "unit_phases.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

namespace {
using Result = OperationOutcome::Result;

struct SessionBench
{
    SessionBench() : session(port, 60)
    {
        installUnitPhases(unit);
        port.attach(1, &unit);
    }
    SimulatedUnit unit;
    SimulatedSerialPort port;
    UnitSession session;
};

enum class Setup { Nothing, UncarriedCell, RefusedPassword, NoUnitOnPort };
} // namespace

Q_DECLARE_METATYPE(Setup)
Q_DECLARE_METATYPE(Result)

class TestUnitSession : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(m_dir.isValid() && QDir::setCurrent(m_dir.path())); }

    // The transfers' successes and their boxes are TestConfigurationTransfer's and
    // TestTableTransfer's.
    void operationsEndWithTheirOutcome_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<Setup>("setup");
        QTest::addColumn<Result>("result");
        QTest::addColumn<QString>("prompt");
        QTest::addColumn<bool>("portOpened");
        QTest::newRow("configuration upload")
            << int(Operation::uploadConfiguration) << Setup::Nothing << Result::Success
            << "Upload complete" << true;
        QTest::newRow("invalid configuration is not sent")
            << int(Operation::downloadConfiguration) << Setup::Nothing << Result::Refused
            << "Invalid Configuration" << false;
        QTest::newRow("positions") << int(Operation::uploadLocations) << Setup::Nothing
                                   << Result::Success << "No GPS locations to download !" << true;
        QTest::newRow("uncarried coordinate is not sent")
            << int(Operation::downloadLocationTable) << Setup::UncarriedCell << Result::Refused
            << "" << false;
        QTest::newRow("password refused")
            << int(Operation::downloadLocationTable) << Setup::RefusedPassword
            << Result::InvalidPassword << "Invalid Password" << true;
        QTest::newRow("no device") << int(Operation::uploadLocationTable) << Setup::NoUnitOnPort
                                   << Result::PortNotAvailable
                                   << "COM: not available. Change the CommPort property to "
                                      "another port."
                                   << false;
    }
    void operationsEndWithTheirOutcome()
    {
        QFETCH(int, code);
        QFETCH(Setup, setup);
        QFETCH(Result, result);
        QFETCH(QString, prompt);
        QFETCH(bool, portOpened);
        SessionBench bench;
        const ConfigurationRecord startConfiguration = bench.session.configuration().record();
        if (setup == Setup::UncarriedCell)
            bench.session.table().setCellText(3 * 7 + 2, QStringLiteral("-1"));
        if (setup == Setup::RefusedPassword)
            bench.unit.setRefusePassword(true);
        if (setup == Setup::NoUnitOnPort)
            bench.session.setPortIndex(1);
        QSignalSpy status(&bench.session, &UnitSession::statusChanged);

        const std::optional<OperationOutcome> ended = runToEnd(bench.session, code);

        QVERIFY(ended);
        const OperationOutcome &outcome = *ended;

        QCOMPARE(outcome.result, result);
        QVERIFY(outcome.message);
        if (!prompt.isEmpty())
            QCOMPARE(outcome.message->prompt, prompt);
        QCOMPARE(bench.port.openCount() > 0, portOpened);
        // Refused or without a device, not one character leaves the PC.
        QCOMPARE(bench.port.written().isEmpty(), !portOpened);
        QVERIFY(!bench.session.isRunning());
        if (code == Operation::uploadLocations && portOpened)
            QCOMPARE(bench.session.positionLogRecords(), 0);
        QCOMPARE(status.count({QVariant::fromValue(Operation::transferStatus(code)), true}),
                 result == Result::Success ? 1 : 0);
        QCOMPARE(status.contains({QVariant::fromValue(StatusItem::Connecting), true}), portOpened);
        // Only an upload of the configuration changes it; the unit's version text comes with it.
        QCOMPARE(bench.session.configuration().record() == startConfiguration,
                 code != Operation::uploadConfiguration);
    }

    void listIndexOutsideItsListKeepsTheSetting()
    {
        ConfigurationModel model;
        ConfigurationRecord record = TestSupport::validConfiguration();
        record.panicInput = 7;
        record.speedLimit = QStringLiteral("90");
        QSignalSpy changed(&model, &ConfigurationModel::changed);

        QVERIFY(!model.setRecord(record));

        QCOMPARE(model.record().panicInput, ConfigurationRecord().panicInput);
        QCOMPARE(model.record().speedLimit, QStringLiteral("90"));
        QCOMPARE(changed.count(), 1);
    }

private:
    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(TestUnitSession)
#include "test_unit_session.moc"
