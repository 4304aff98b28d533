// vortsetup's batch operations as a script runs them, with vortsim on a pseudo-terminal.
#include "config_tool/test_files.h"
#include "configuration/configuration_file.h"
#include "configuration/configuration_image.h"
#include "configuration/configuration_transfer.h"
#include "location_table/location_table_file.h"
#include "support/program_process.h"
#include "support/valid_configuration.h"
#include "support/vortsim_process.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <functional>

namespace {
struct BatchResult
{
    int exitCode = -1;
    QStringList out;
    QStringList err;   // standard error but for the lines below
    QStringList wakes; // "Waking the unit on COM1 (device)" and a dot a second
};

ConfigurationRecord invalidConfiguration()
{
    ConfigurationRecord record = TestSupport::validConfiguration();
    record.geoFencingDelay = QStringLiteral("0");
    record.udpPacketId = QStringLiteral("ABC");
    return record;
}

QStringList tableCells()
{
    QStringList cells;
    for (int row = 0; row < 100; ++row)
        cells << QString::number(row) << QStringLiteral("255") << QStringLiteral("255");
    cells[1] = QStringLiteral("51.4523");
    cells[2] = QStringLiteral("0.4567");
    cells[3 * 42 + 1] = QStringLiteral("48.0012");
    cells[3 * 42 + 2] = QStringLiteral("2.3500");
    return cells;
}

class Workbench
{
public:
    Workbench()
    {
        write(QStringLiteral("valid.cfg"),
              configurationFileContent(TestSupport::validConfiguration()));
        write(QStringLiteral("invalid.cfg"), configurationFileContent(invalidConfiguration()));
        write(QStringLiteral("table.txt"), LocationTableFile::write(tableCells()));
        QStringList word = tableCells();
        word[3 * 3 + 1] = QStringLiteral("abc");
        write(QStringLiteral("word.txt"), LocationTableFile::write(word));
    }
    QString path(const QString &name) const { return m_dir.filePath(name); }
    void write(const QString &name, const QByteArray &content) const
    {
        QVERIFY(writeFile(path(name), content));
    }
    QByteArray read(const QString &name) const { return readFile(path(name)); }

    // vortsetup with COM1 on the device; during() runs once the program has started.
    BatchResult run(const QString &device, const QStringList &arguments,
                    const std::function<void(ProgramProcess &)> &during = {}) const
    {
        ProgramProcess vortsetup(QStringLiteral(VORTSETUP_PATH),
                                 QStringList{QStringLiteral("--port"), "COM1=" + device,
                                             QStringLiteral("--tick-ms"), QStringLiteral("100")} +
                                     arguments,
                                 m_dir.path());
        BatchResult result;
        if (!vortsetup.start())
            return result;
        if (during)
            during(vortsetup);
        if (!vortsetup.waitForExit(60000))
            return result;
        result.exitCode = vortsetup.exitCode();
        result.out = vortsetup.lines();
        // Nothing of Qt's own may reach standard error; "COM1: ..." varies by system.
        for (const QString &line : vortsetup.standardError().split('\n', Qt::SkipEmptyParts)) {
            if (line.startsWith(QLatin1String("Waking the unit on COM1 (") + device + ')'))
                result.wakes << line;
            else if (!line.startsWith(QLatin1String("COM1: ")))
                result.err << line;
        }
        return result;
    }

private:
    QTemporaryDir m_dir;
};
} // namespace

class TestVortsetupBatch : public QObject
{
    Q_OBJECT
private slots:
    void endsWithItsStatus_data()
    {
        QTest::addColumn<QStringList>("unit"); // vortsim's options; "none": no device at all
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QStringList>("out");
        QTest::addColumn<QStringList>("err");
        const QStringList none;
        const QString downloaded = QStringLiteral("Download: Download succesful !");
        const QString refused = QStringLiteral("Password Invalid !: Invalid Password");
        const QString failed = QStringLiteral("Invalid download !: Error download !");

        QTest::newRow("download config") << none << QStringList{"--download-config", "valid.cfg"}
                                         << 0 << QStringList{downloaded} << none;
        QTest::newRow("port not available")
            << QStringList{"none"} << QStringList{"--download-table", "table.txt"} << 3 << none
            << QStringList{
                   "ERROR: COM: not available. Change the CommPort property to another port."};
        QTest::newRow("invalid password")
            << QStringList{"--refuse-password"} << QStringList{"--download-config", "valid.cfg"}
            << 4 << none << QStringList{refused};
        QTest::newRow("password given")
            << QStringList{"--password", "1234", "--ready-digit", "1"}
            << QStringList{"--password", "1234", "--download-table", "table.txt"} << 0
            << QStringList{downloaded} << none;
        QTest::newRow("invalid configuration")
            << none << QStringList{"--download-config", "invalid.cfg"} << 5 << none
            << QStringList{"Error: Invalid Configuration"};
        QTest::newRow("configuration not taken")
            << QStringList{"--download-answer", "none"}
            << QStringList{"--download-config", "valid.cfg"} << 6 << none << QStringList{failed};
        // No port is needed to check a file; every failed test is named.
        QTest::newRow("check fails")
            << QStringList{"none"} << QStringList{"--check", "invalid.cfg"} << 5 << none
            << QStringList{"Error: Invalid GEO fencing delay",
                           "Error: Invalid UDP packet identification"};
        QTest::newRow("no such file") << none << QStringList{"--download-config", "missing.cfg"}
                                      << 7 << none << QStringList{"Error: Error loading file"};
        // Refused before the port is even opened (with no device, opening would give 3).
        QTest::newRow("table with a word")
            << QStringList{"none"} << QStringList{"--download-table", "word.txt"} << 7 << none
            << QStringList{"Error: Error loading file: word.txt, row 3, latitude \"abc\" is not "
                           "a number"};
        QTest::newRow("unit asleep")
            << QStringList{"--silent"}
            << QStringList{"--connect-timeout", "2", "--upload-positions"} << 9 << none
            << QStringList{"The unit did not answer within 2 s."};
        // Steps run in the order given; the first failure ends the run.
        QTest::newRow("first failure ends the run")
            << QStringList{"--refuse-password"}
            << QStringList{"--check", "valid.cfg", "--upload-config", "out.cfg",
                           "--upload-positions"}
            << 4 << QStringList{"Valid Configuration: Configuration is OK"} << QStringList{refused};
        QTest::newRow("bad option") << QStringList{"none"} << QStringList{"--check"} << 2 << none
                                    << QStringList{"vortsetup: Missing value after '--check'."};
    }
    void endsWithItsStatus()
    {
        QFETCH(QStringList, unit);
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QStringList, out);
        QFETCH(QStringList, err);
        Workbench bench;
        VortsimProcess vortsim(unit);
        const bool withUnit = unit != QStringList{"none"};
        QVERIFY(!withUnit || vortsim.start());
        const BatchResult result = bench.run(
            withUnit ? vortsim.device() : bench.path(QStringLiteral("no-tty")), arguments);
        QCOMPARE(result.out, out);
        QCOMPARE(result.err, err);
        QCOMPARE(result.exitCode, exitCode);
        QVERIFY(!QFile::exists(bench.path(QStringLiteral("out.cfg"))));
        // A run that reached the unit says once it is waking it, then a dot a second.
        const bool woke = withUnit && exitCode != 5 && exitCode != 7 && exitCode != 2;
        QCOMPARE(result.wakes.size(), woke ? 1 : 0);
        if (unit.contains(QStringLiteral("--silent")))
            QVERIFY(result.wakes.first().endsWith(QLatin1String(").")) ||
                    result.wakes.first().endsWith(QLatin1String("..")));
    }

    // Download then upload through vortsim, the later one read back in the unit's styles.
    void configurationThereAndBack_data()
    {
        QTest::addColumn<QStringList>("unit");
        QTest::newRow("well-behaved") << QStringList();
        QTest::newRow("early OK, lone p")
            << QStringList{"--download-answer", "early", "--upload-leading-p"};
    }
    void configurationThereAndBack()
    {
        QFETCH(QStringList, unit);
        Workbench bench;
        VortsimProcess vortsim(unit + QStringList{"--unit-version", "V6.3 test"});
        QVERIFY(vortsim.start());
        QElapsedTimer elapsed;
        elapsed.start();
        const BatchResult result =
            bench.run(vortsim.device(), {"--download-config", "valid.cfg", "--upload-config",
                                         bench.path(QStringLiteral("out.cfg"))});
        // The download pauses after every one of its 512 characters.
        QVERIFY(elapsed.elapsed() >= 512 * downloadPauseMs(9600));
        QCOMPARE(result.err, QStringList());
        QCOMPARE(result.out,
                 (QStringList{"Download: Download succesful !", "Upload: Upload complete",
                              "Saved: Configuration has been Saved"}));
        QCOMPARE(result.exitCode, 0);
        // What the unit sent back is what it was given (all but the last position, which the
        // unit never sends).
        ConfigurationRecord uploaded;
        QVERIFY(loadConfigurationFile(bench.path(QStringLiteral("out.cfg")), uploaded));
        QCOMPARE(uploaded.versionNumber, QStringLiteral("V6.3 test"));
        QCOMPARE(encodeConfigurationImage(uploaded)->left(255),
                 encodeConfigurationImage(TestSupport::validConfiguration())->left(255));
    }

    void tableThereAndBack()
    {
        Workbench bench;
        VortsimProcess vortsim;
        QVERIFY(vortsim.start());
        BatchResult result = bench.run(vortsim.device(), {"--download-table", "table.txt"});
        QCOMPARE(result.exitCode, 0);
        // A second run, as a later script would: the unit kept the table.
        result = bench.run(vortsim.device(), {"--upload-table", "out.txt"});
        QCOMPARE(result.err, QStringList());
        QCOMPARE(result.out, (QStringList{"Upload: Upload succesful !",
                                          "Saved: Configuration has been Saved"}));
        QCOMPARE(result.exitCode, 0);
        QCOMPARE(bench.read(QStringLiteral("out.txt")), bench.read(QStringLiteral("table.txt")));
    }

    // Ctrl+C while the unit does not answer ends the run as EXIT would.
    void interruptEndsTheRun()
    {
        Workbench bench;
        VortsimProcess vortsim({QStringLiteral("--silent")});
        QVERIFY(vortsim.start());
        const BatchResult result = bench.run(
            vortsim.device(), {"--connect-timeout", "0", "--download-config", "valid.cfg"},
            [](ProgramProcess &vortsetup) {
                // The run is under way once it says it is waking the unit.
                QTRY_VERIFY_WITH_TIMEOUT(
                    vortsetup.standardError().contains(QLatin1String("Waking the unit")), 20000);
                vortsetup.signal(SIGINT);
            });
        QCOMPARE(result.out, QStringList());
        QCOMPARE(result.err, QStringList{"Stopped by a signal; no further step runs."});
        QCOMPARE(result.exitCode, 8);
    }
};

QTEST_GUILESS_MAIN(TestVortsetupBatch)
#include "test_vortsetup_batch.moc"
