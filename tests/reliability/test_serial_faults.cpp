// The unit vanishes (vortsim killed) at each moment of each operation, answers junk, huge bursts
// or far too late: each operation ends in bounded time with an outcome of its own, saved data
// kept.
#include "common/quoted_fields.h"
#include "config_tool/test_files.h"
#include "configuration/configuration_file.h"
#include "link/operation.h"
#include "link/qt_serial_port.h"
#include "location_table/location_table_file.h"
#include "session/unit_session.h"
#include "support/main_window_bench.h"
#include "support/program_process.h"
#include "support/valid_configuration.h"
#include "support/vortsim_process.h"
#include "unit_phases.h"
#include "unit_position_log.h"

#include <QDir>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

namespace {

constexpr int tickMs = 50;
constexpr int lateMs = 20 * tickMs;

const ShownMessage configurationFailed{QStringLiteral("Error download !"),
                                       QStringLiteral("Invalid download !"), MessageIcon::Critical};
const ShownMessage tableUploadFailed{QStringLiteral("Error upload !"),
                                     QStringLiteral("Invalid upload !"), MessageIcon::Critical};
const ShownMessage logFailed{QStringLiteral("Error GPS Data download !"),
                             QStringLiteral("Invalid download !"), MessageIcon::Critical};

// What each operation ends with when the unit falls silent or vanishes.
const ShownMessage timeout[Operation::count] = {configurationFailed, configurationFailed, logFailed,
                                                tableUploadFailed, configurationFailed};

// The prompts each operation may end with when the unit talks nonsense: success or failure.
bool isEnding(int code, const QString &prompt)
{
    static const char *const endings[Operation::count] = {
        "Upload complete|Error download !", "Download succesful !|Error download !",
        ".* GPS locations Saved !|Error GPS Data download !|No GPS locations to download !",
        "Upload succesful !|Error upload !", "Download succesful !|Error download !"};
    return QRegularExpression(QRegularExpression::anchoredPattern(QLatin1String(endings[code])))
        .match(prompt)
        .hasMatch();
}

// The one position log the operation saved in the working directory.
QByteArray savedLog()
{
    const QStringList files = QDir().entryList(QDir::Files);
    QFile file(files.value(0));
    return files.size() == 1 && file.open(QIODevice::ReadOnly) ? file.readAll()
                                                               : QByteArray("-- not one file --");
}

// A unit that has accepted the operation and then misbehaves.
struct FaultyPhase : UnitPhase
{
    enum Mode { Junk, Burst, Late };
    FaultyPhase(Mode mode, quint32 seed) : m_mode(mode), m_random(seed)
    {
        m_late.setSingleShot(true);
        m_late.callOnTimeout([this] {
            m_line->transmit("NOK0E");
            ++lateAnswers;
        });
    }

    void begin(UnitLine &line) override
    {
        m_sent = 0;
        m_line = &line;
        if (m_mode == Late)
            m_late.start(lateMs);
        else
            line.transmit(junk(m_mode == Burst ? 20000 : 1 + m_random.bounded(40)));
    }
    void receive(const QByteArray &, UnitLine &line) override
    {
        if (m_mode == Junk && m_sent < 6000)
            line.transmit(junk(1 + m_random.bounded(3)));
        else if (m_mode == Late)
            m_late.start(lateMs);
    }
    bool finished() const override { return false; }

    QByteArray junk(int size)
    {
        QByteArray bytes(size, '\0');
        for (char &c : bytes)
            c = static_cast<char>(m_random.bounded(256));
        m_sent += size;
        return bytes;
    }

    int lateAnswers = 0;
    Mode m_mode;
    QRandomGenerator m_random;
    QTimer m_late; // a plausible answer, long after every limit of the PC
    UnitLine *m_line = nullptr;
    int m_sent = 0;
};

} // namespace

class TestSerialFaults : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        QVERIFY(m_directory.isValid());
        QDir::setCurrent(m_directory.path()); // the position log lands here
    }
    void cleanup()
    {
        QDir::setCurrent(QDir::tempPath());
        for (const QString &name : QDir(m_directory.path()).entryList(QDir::Files))
            QFile::remove(m_directory.filePath(name));
    }

    // The cable is pulled (vortsim killed) at each moment of each operation, under the session
    // as the window runs it and under the batch mode: the run ends within 2 s as PortLost with
    // the device named and the port closed, the position log keeps its whole records, and a
    // retry on another unit at once succeeds.
    void unplugged_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("moment"); // "waking", "password" or "transfer"
        QTest::addColumn<int>("savedLines"); // -1: no position log
        const struct
        {
            const char *name;
            int code;
            QStringList arguments;
            const char *moment;
            int savedLines;
        } rows[] = {
            {"waking", Operation::uploadLocations, {"--silent"}, "waking", -1},
            {"password", Operation::uploadConfiguration, {"--refuse-password"}, "password", -1},
            {"configuration upload",
             Operation::uploadConfiguration,
             {"--upload-silent-after", "100"},
             "transfer",
             -1},
            {"configuration download", Operation::downloadConfiguration, {}, "transfer", -1},
            {"position log",
             Operation::uploadLocations,
             {"--positions", "5", "--positions-silent-after", "90"},
             "transfer",
             2},
            {"table upload",
             Operation::uploadLocationTable,
             {"--demo", "--table-upload-silent-after", "300"},
             "transfer",
             -1},
            {"table download",
             Operation::downloadLocationTable,
             {"--table-download-silent-after", "100"},
             "transfer",
             -1},
        };
        for (const auto &row : rows)
            for (const char *face : {"session", "batch"})
                QTest::addRow("%s, %s", row.name, face)
                    << row.code << row.arguments << QString::fromLatin1(row.moment)
                    << (QByteArray(face) == "session" ? row.savedLines : -1);
    }
    void unplugged()
    {
        QFETCH(int, code);
        QFETCH(QStringList, arguments);
        QFETCH(QString, moment);
        QFETCH(int, savedLines);
        if (QByteArray(QTest::currentDataTag()).endsWith("batch"))
            return unpluggedInBatch(code, arguments, moment);
        VortsimProcess unit(arguments);
        QVERIFY(unit.start());
        QtSerialPort port(unit.comOne());
        UnitSession session(port, tickMs);
        session.configuration().setRecord(TestSupport::validConfiguration());
        QSignalSpy ended(&session, &UnitSession::finished);

        QElapsedTimer sincePulled;
        const auto pull = [&] {
            if (sincePulled.isValid())
                return;
            sincePulled.start();
            unit.signal(SIGKILL);
        };
        QObject scope; // ends the connections before what they capture
        connect(&session, &UnitSession::statusChanged, &scope, [&](StatusItem item, bool shown) {
            if (item == StatusItem::Connecting && shown == (moment == QLatin1String("waking")) &&
                moment != QLatin1String("transfer"))
                pull();
        });
        connect(&session, &UnitSession::progressChanged, &scope, [&] {
            if (moment == QLatin1String("transfer") && savedLines < 0)
                pull();
        });
        connect(&session, &UnitSession::statusTextChanged, &scope, [&] {
            if (savedLines >= 0 && session.positionLogRecords() >= savedLines)
                pull();
        });

        QVERIFY(session.start(code));
        QVERIFY(ended.wait(20000));
        QVERIFY(sincePulled.isValid());
        QVERIFY2(sincePulled.elapsed() < 2000, qPrintable(QString::number(sincePulled.elapsed())));
        const auto outcome = ended.constFirst().constFirst().value<OperationOutcome>();
        QCOMPARE(outcome.result, OperationOutcome::Result::PortLost);
        QVERIFY(outcome.message && outcome.message->prompt.contains(unit.device()));
        QVERIFY(!port.isOpen());
        if (savedLines >= 0)
            QCOMPARE(savedLog().count("\r\n"), savedLines);

        // Another unit on another pseudo-terminal, at once.
        VortsimProcess other({QStringLiteral("--demo")});
        QVERIFY(other.start());
        QVERIFY(port.portMap().addMapping(QStringLiteral("COM1=") + other.device()));
        const auto retried = runToEnd(session, code);
        QVERIFY(retried);
        QCOMPARE(retried->result, OperationOutcome::Result::Success);
    }

    // EXIT in the middle of each operation's transfer ends it at once: the window closes, the
    // port is closed, no box shows, and the position log keeps the record that came whole.
    void exitEndsEachOperation()
    {
        for (int code = 0; code < Operation::count; ++code) {
            MainWindowBench bench(tickMs);
            installUnitPhases(bench.unit);
            const QByteArray record =
                UnitPositionLog::record(QDateTime::currentDateTime(), 51, 1, 2, 3);
            static_cast<UnitPositionLog *>(bench.unit.phase('L'))
                ->setRecords({record, record, record});
            bench.window.session().configuration().setRecord(TestSupport::validConfiguration());
            bench.window.show();
            bool runningAtExit = false;
            const auto exit = [&] {
                if (std::exchange(runningAtExit, bench.window.isRunning()))
                    return;
                bench.button("Command3")->click();
            };
            QObject scope; // ends the connections before what they capture
            UnitSession &session = bench.window.session();
            if (code == Operation::uploadLocations)
                connect(&session, &UnitSession::statusTextChanged, &scope, exit,
                        Qt::QueuedConnection);
            else
                connect(&session, &UnitSession::progressChanged, &scope, [&](int value) {
                    if (value > 0)
                        QTimer::singleShot(0, &scope, exit);
                });

            QVERIFY(bench.run(code));

            QVERIFY2(runningAtExit, Operation::letter(code) + QByteArray(" was not running"));
            QVERIFY(!bench.window.isVisible());
            QVERIFY(!bench.port.isOpen());
            QCOMPARE(bench.boxes.shown, QList<ShownMessage>{});
            if (code == Operation::uploadLocations)
                QCOMPARE(savedLog().count("\r\n"), 1);
        }
    }

    // Junk and bursts in place of every answer, and answers that come far too late.
    void unitMisbehaves_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("mode");
        const char *modes[] = {"junk", "burst", "late"};
        for (int code = 0; code < Operation::count; ++code)
            for (int mode : {FaultyPhase::Junk, FaultyPhase::Burst, FaultyPhase::Late})
                QTest::addRow("%c %s", Operation::letter(code), modes[mode]) << code << mode;
    }
    void unitMisbehaves()
    {
        QFETCH(int, code);
        QFETCH(int, mode);
        MainWindowBench bench(tickMs);
        bench.window.session().configuration().setRecord(TestSupport::validConfiguration());
        bench.unit.addPhase(Operation::letter(code),
                            std::make_unique<FaultyPhase>(FaultyPhase::Mode(mode),
                                                          quint32(1000 + 10 * code + mode)));
        bench.whileRunning([] { return false; }, 20000);
        QVERIFY(bench.run(code));

        QVERIFY2(!bench.timedOut, "the operation hung");
        QVERIFY(!bench.window.isRunning());
        QCOMPARE(bench.boxes.shown.size(), 1);
        const ShownMessage shown = bench.boxes.shown.constFirst();
        QVERIFY2(isEnding(code, shown.prompt), qPrintable(shown.prompt));
        if (code == Operation::uploadLocations) {
            // Garbled records still make one line of eight quoted fields each.
            QList<QByteArray> lines = savedLog().split('\n');
            QCOMPARE(lines.takeLast(), QByteArray());
            for (const QByteArray &line : lines) {
                QuotedFieldReader reader(line);
                int fields = 0;
                for (QuotedField field; reader.next(field);)
                    ++fields;
                QVERIFY2(line.endsWith('\r') && fields == 8, line.toHex().constData());
            }
        }
        if (mode == FaultyPhase::Late) {
            // Far too late is a timeout, and the late answer changes nothing afterwards.
            QCOMPARE(shown, timeout[code]);
            // The quiet window is over once the late answer has gone out and been delivered.
            auto *faulty = static_cast<FaultyPhase *>(bench.unit.phase(Operation::letter(code)));
            const int answered = faulty->lateAnswers;
            QTRY_VERIFY_WITH_TIMEOUT(faulty->lateAnswers > answered, 4 * lateMs);
            QCoreApplication::processEvents();
            QCOMPARE(bench.boxes.shown.size(), 1);
        }
    }

private:
    // The batch mode's part of unplugged(): exit 10 with one line naming the device.
    void unpluggedInBatch(int code, const QStringList &arguments, const QString &moment)
    {
        static const char *const options[Operation::count] = {
            "--upload-config", "--download-config", "--upload-positions", "--upload-table",
            "--download-table"};
        const QString file = m_directory.filePath(QStringLiteral("file"));
        if (code == Operation::downloadConfiguration)
            QVERIFY(writeFile(file, configurationFileContent(TestSupport::validConfiguration())));
        if (code == Operation::downloadLocationTable)
            QVERIFY(writeFile(file, LocationTableFile::write(LocationTable().cells())));
        const auto batch = [&](const QString &device) {
            QStringList line{QStringLiteral("--port"), "COM1=" + device,
                             QStringLiteral("--tick-ms"), QString::number(tickMs),
                             QString::fromLatin1(options[code])};
            if (code != Operation::uploadLocations)
                line << file;
            return line;
        };
        VortsimProcess unit(arguments);
        QVERIFY(unit.start());
        ProgramProcess vortsetup(QStringLiteral(VORTSETUP_PATH), batch(unit.device()));
        QVERIFY(vortsetup.start());
        // Waking shows on standard error; the line ends once the password has gone out.
        const QString woken =
            moment == QLatin1String("waking") ? QStringLiteral("Waking") : QStringLiteral(")\n");
        QTRY_VERIFY_WITH_TIMEOUT(vortsetup.standardError().contains(woken), 10000);
        QElapsedTimer sincePulled;
        sincePulled.start();
        unit.signal(SIGKILL);
        QVERIFY(vortsetup.waitForExit(20000));
        QVERIFY2(sincePulled.elapsed() < 2000, qPrintable(QString::number(sincePulled.elapsed())));
        QCOMPARE(vortsetup.exitCode(), 10);
        const QStringList lost =
            vortsetup.standardError().split('\n').filter(QStringLiteral("went away"));
        QCOMPARE(lost.size(), 1);
        QVERIFY(lost.constFirst().contains(unit.device()));

        VortsimProcess other({QStringLiteral("--demo")});
        QVERIFY(other.start());
        ProgramProcess retry(QStringLiteral(VORTSETUP_PATH), batch(other.device()));
        QVERIFY(retry.start());
        QVERIFY(retry.waitForExit(30000));
        QCOMPARE(retry.exitCode(), 0);
    }

    QTemporaryDir m_directory;
};

QTEST_MAIN(TestSerialFaults)
#include "test_serial_faults.moc"
