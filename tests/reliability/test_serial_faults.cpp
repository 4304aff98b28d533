// The unit vanishes mid-transfer (vortsim killed), answers junk, huge bursts or far too late:
// each operation ends in bounded time with one message of its own, saved data kept.
#include "link/operation.h"
#include "link/qt_serial_port.h"
#include "session/unit_session.h"
#include "support/main_window_bench.h"
#include "support/valid_configuration.h"
#include "support/vortsim_process.h"

#include <QDir>
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

    // vortsim stops answering part way through, and is killed while the PC waits: a timeout.
    void deviceVanishesMidTransfer_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("savedLines");
        QTest::newRow("configuration upload") << int(Operation::uploadConfiguration)
                                              << QStringList{"--upload-silent-after", "100"} << -1;
        QTest::newRow("table upload")
            << int(Operation::uploadLocationTable)
            << QStringList{"--demo", "--table-upload-silent-after", "300"} << -1;
        QTest::newRow("position log upload")
            << int(Operation::uploadLocations)
            << QStringList{"--positions", "5", "--positions-silent-after", "90"} << 2;
    }
    void deviceVanishesMidTransfer()
    {
        QFETCH(int, code);
        QFETCH(QStringList, arguments);
        QFETCH(int, savedLines);
        VortsimProcess unit(arguments);
        QVERIFY(unit.start());
        QtSerialPort port(unit.comOne());
        UnitSession session(port, tickMs);

        // Once the transfer shows, give the unit three ticks to fall silent, then pull the plug.
        bool armed = false;
        bool killed = false;
        bool hung = false;
        const auto armPull = [&] {
            if (std::exchange(armed, true))
                return;
            QTimer::singleShot(3 * tickMs, &session, [&] {
                killed = true; // before the wait below turns the event loop
                unit.signal(SIGKILL);
                unit.waitForExit(5000);
                // A hang: end it so the test reports it.
                QTimer::singleShot(20000, &session, [&] {
                    hung = true;
                    session.requestExit();
                });
            });
        };
        if (savedLines >= 0) {
            // The log keeps what arrived whole: pull the plug once those records are in.
            connect(&session, &UnitSession::statusTextChanged, this, [&] {
                if (session.positionLogRecords() >= savedLines)
                    armPull();
            });
        } else {
            connect(&session, &UnitSession::progressChanged, this, armPull);
        }
        OperationOutcome outcome = session.run(code);
        QVERIFY(killed);
        QVERIFY2(!hung, "the operation hung");
        QVERIFY(outcome.message);
        QCOMPARE(
            (ShownMessage{outcome.message->prompt, outcome.message->title, outcome.message->icon}),
            timeout[code]);
        QVERIFY(!session.isRunning());
        // A failure leaves the port as the engine's rules say; a dead device must not change that.
        QCOMPARE(port.isOpen(), !Operation::closesPortAfterFailure(code));
        if (savedLines >= 0)
            QCOMPARE(savedLog().count("\r\n"), savedLines);

        // The next run calls the vanished unit until the user gives up (Command5): that ends it
        // cleanly and closes the port.
        QTimer::singleShot(10 * tickMs, &session, [&] { session.requestAbort(); });
        outcome = session.run(code);
        QVERIFY2(!hung, "the next operation hung");
        QCOMPARE(outcome.result, OperationOutcome::Result::Aborted);
        QVERIFY(!outcome.message);
        QVERIFY(!session.isRunning());
        QVERIFY(!port.isOpen());
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
        bench.window.startOperation(code);

        QVERIFY2(!bench.timedOut, "the operation hung");
        QVERIFY(!bench.window.isRunning());
        QCOMPARE(bench.boxes.shown.size(), 1);
        const ShownMessage shown = bench.boxes.shown.constFirst();
        QVERIFY2(isEnding(code, shown.prompt), qPrintable(shown.prompt));
        if (code == Operation::uploadLocations) {
            // Garbled records still make one line of eight quoted fields each.
            QList<QByteArray> lines = savedLog().split('\n');
            QCOMPARE(lines.takeLast(), QByteArray());
            for (const QByteArray &line : lines)
                QVERIFY2(line.endsWith('\r') && line.count('"') == 16, line.toHex().constData());
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
    QTemporaryDir m_directory;
};

QTEST_MAIN(TestSerialFaults)
#include "test_serial_faults.moc"
