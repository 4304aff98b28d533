// vortsetup's batch operations as a script runs them, with vortsim on a pseudo-terminal, and the
// GPX tracks of position logs (every track written is checked by xmllint against GPX 1.1).
#include "batch/gpx_track.h"
#include "config_tool/test_files.h"
#include "configuration/configuration_file.h"
#include "configuration/configuration_image.h"
#include "configuration/configuration_transfer.h"
#include "location_table/location_table_file.h"
#include "reliability/file_faults.h"
#include "support/program_process.h"
#include "support/valid_configuration.h"
#include "support/vortsim_process.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>

#include <csignal>
#include <functional>

namespace {
QByteArray logLine(const QByteArray &latitude, const QByteArray &north, const QByteArray &longitude,
                   const QByteArray &east, const QByteArray &date = "06/12/26",
                   const QByteArray &time = "14:03:27")
{
    return '"' + date + "\",\"" + time + "\",\"" + latitude + "\",\"" + north + "\",\"" +
           longitude + "\",\"" + east + "\",\"012.3\",\"270.0\"\r\n";
}
const QByteArray goodLine = logLine("5130.4521", "N", "00007.5678", "W");

// Each track point as "lat lon time speed course".
QStringList points(const QByteArray &gpx)
{
    QStringList result;
    QXmlStreamReader xml(gpx);
    QString point;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        const QStringView name = xml.name();
        if (name == QLatin1String("trkpt")) {
            point = xml.attributes().value(QLatin1String("lat")).toString() + QLatin1Char(' ') +
                    xml.attributes().value(QLatin1String("lon")).toString();
        } else if (name == QLatin1String("time") || name == QLatin1String("speed")) {
            point += QLatin1Char(' ') + xml.readElementText();
        } else if (name == QLatin1String("course")) {
            result << point + QLatin1Char(' ') + xml.readElementText();
        }
    }
    return xml.hasError() ? QStringList{xml.errorString()} : result;
}

// xmllint's verdict on the file against the rules of GPX 1.1; empty when it is valid.
QString schemaErrors(const QString &path)
{
    const QString xmllint = QStandardPaths::findExecutable(QStringLiteral("xmllint"));
    if (xmllint.isEmpty())
        return QStringLiteral("xmllint missing (libxml2-utils): run scripts/install-deps.sh");
    QProcess check;
    check.start(xmllint, {QStringLiteral("--noout"), QStringLiteral("--schema"),
                          QStringLiteral(TEST_DATA_DIR "/gpx/gpx_track.xsd"), path});
    if (!check.waitForFinished(30000))
        return QStringLiteral("xmllint did not finish");
    return check.exitCode() == 0 ? QString() : QString::fromLocal8Bit(check.readAllStandardError());
}

struct BatchResult
{
    int exitCode = -1;
    QStringList out;
    QStringList err;   // standard error but for the lines below
    QStringList wakes; // "Waking the unit on COM1 (device)" and a dot a second
    qint64 ms = 0;     // from start to exit
};

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

// The files a script gives vortsetup, and vortsim with the options given ("none": no device).
class Workbench
{
public:
    explicit Workbench(const QStringList &unit = {})
        : m_withUnit(unit != QStringList{"none"}), m_unit(unit)
    {
        write(QStringLiteral("valid.cfg"),
              configurationFileContent(TestSupport::validConfiguration()));
        ConfigurationRecord invalid = TestSupport::validConfiguration();
        invalid.geoFencingDelay = QStringLiteral("0");
        invalid.udpPacketId = QStringLiteral("ABC");
        write(QStringLiteral("invalid.cfg"), configurationFileContent(invalid));
        write(QStringLiteral("table.txt"), LocationTableFile::write(tableCells()));
        // Tables saved from a grid whose editor let a cell through as typed.
        for (const auto &[name, cell, text] :
             {std::tuple("word.txt", 3 * 3 + 1, "abc"), std::tuple("comma.txt", 4, "51,5074"),
              std::tuple("256.txt", 99 * 3 + 2, "256")}) {
            QStringList cells = tableCells();
            cells[cell] = QString::fromLatin1(text);
            write(QString::fromLatin1(name), LocationTableFile::write(cells));
        }
    }
    QString path(const QString &name) const { return m_dir.filePath(name); }
    void write(const QString &name, const QByteArray &content) const
    {
        QVERIFY(writeFile(path(name), content));
    }
    QByteArray read(const QString &name) const { return readFile(path(name)); }

    // vortsetup with COM1 on the unit, started on the first run (exit code -1 when it does not
    // start); during() runs once the program has started.
    BatchResult run(const QStringList &arguments,
                    const std::function<void(ProgramProcess &)> &during = {})
    {
        BatchResult result;
        if (m_withUnit && m_unit.device().isEmpty() && !m_unit.start())
            return result;
        const QString device = m_unit.device();
        const QStringList port{QStringLiteral("--port"), "COM1=" + device,
                               QStringLiteral("--tick-ms"), QStringLiteral("100")};
        ProgramProcess vortsetup(QStringLiteral(VORTSETUP_PATH),
                                 (m_withUnit ? port : QStringList()) + arguments, m_dir.path());
        QElapsedTimer elapsed;
        elapsed.start();
        if (!vortsetup.start())
            return result;
        if (during)
            during(vortsetup);
        if (!vortsetup.waitForExit(120000))
            return result;
        result.ms = elapsed.elapsed();
        result.exitCode = vortsetup.exitCode();
        result.out = vortsetup.lines();
        // Nothing of Qt's own may reach standard error but the platform's notes; "COM1: ..."
        // varies by system.
        for (const QString &line : vortsetup.standardError().split('\n', Qt::SkipEmptyParts)) {
            if (line.startsWith(QLatin1String("Waking the unit on COM1 (") + device + ')'))
                result.wakes << line;
            else if (!line.startsWith(QLatin1String("COM1: ")) &&
                     !line.startsWith(QLatin1String("QStandardPaths:")))
                result.err << line;
        }
        return result;
    }

private:
    QTemporaryDir m_dir;
    bool m_withUnit;
    VortsimProcess m_unit;
};
} // namespace

class TestVortsetupBatch : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        // Nothing of a display for the programs started here: --gpx must not need one.
        qunsetenv("QT_QPA_PLATFORM");
        qunsetenv("DISPLAY");
        qunsetenv("WAYLAND_DISPLAY");
    }

    void pointOfEachRecord_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("point"); // empty: the record is left out
        const QString noon = QStringLiteral(" 2026-12-06T14:03:27Z 012.3 270.0");
        const std::tuple<const char *, QByteArray, QString> rows[] = {
            {"north west", goodLine, "51.507535 -0.12613" + noon},
            {"south east", logLine("3333.0000", "S", "15112.3456", "E", "31/12/26", "23:59:59"),
             "-33.55 151.20576 2026-12-31T23:59:59Z 012.3 270.0"},
            {"pole, date line from the west", logLine("9000.0000", "S", "18000.0000", "W"),
             "-90 -180" + noon},
            {"date line from the east is the same line",
             logLine("0000.0000", "N", "18000.0000", "E"), "0 -180" + noon},
            {"nearest ten-millionth", logLine("0000.0002", "N", "00000.0001", "E"),
             "0.0000033 0.0000017" + noon},
            {"leap day, byte order mark, bare fields, LF",
             "\xEF\xBB\xBF"
             "29/02/28,00:00:00,5130.4521,N,00007.5678,W,000.0,000.0\n",
             "51.507535 -0.12613 2028-02-29T00:00:00Z 000.0 000.0"},
            // Records left out.
            {"no hemisphere letters", logLine("5130.4521", "", "00007.5678", ""), ""},
            {"bare empty letters, as the unit's log has them",
             QByteArray(goodLine).replace("\"N\"", "").replace("\"W\"", ""), ""},
            {"letters swapped", logLine("5130.4521", "E", "00007.5678", "N"), ""},
            {"latitude minutes 60", logLine("5160.0000", "N", "00007.5678", "W"), ""},
            {"longitude minutes 60", logLine("5130.4521", "N", "00060.0000", "W"), ""},
            {"past the pole", logLine("9000.0001", "N", "00007.5678", "W"), ""},
            {"past the date line", logLine("5130.4521", "N", "18000.0001", "W"), ""},
            {"no such day", QByteArray(goodLine).replace("06/12/26", "31/02/26"), ""},
            {"no leap day", QByteArray(goodLine).replace("06/12/26", "29/02/27"), ""},
            {"hour 24", QByteArray(goodLine).replace("14:03:27", "24:00:00"), ""},
            {"second 60", QByteArray(goodLine).replace("14:03:27", "23:59:60"), ""},
            {"speed garbled", QByteArray(goodLine).replace("012.3", "0<2.3"), ""},
            {"stray quote", QByteArray(goodLine).replace("5130", "51\"30"), ""},
            {"seven fields", QByteArray(goodLine).replace(",\"270.0\"", ""), ""},
            {"garbage", QByteArray("\x01\xff<&>\r\n"), ""}};
        for (const auto &[name, line, point] : rows)
            QTest::newRow(name) << line << point;
    }
    void pointOfEachRecord()
    {
        QFETCH(QByteArray, line);
        QFETCH(QString, point);
        const GpxTrack::Track track = GpxTrack::fromLog(line, QStringLiteral("drive"));
        if (point.isEmpty()) {
            QCOMPARE(track.points, 0);
            QVERIFY(track.document.isEmpty());
            QCOMPARE(track.firstLeftOutLines, QList<int>{1});
        } else {
            QCOMPARE(points(track.document), QStringList{point});
            QCOMPARE(track.leftOut, 0);
        }
    }

    // Started from the menu (--data-folder), vortsetup works in the tool set's data folder: a
    // file named without a folder is found there, wherever the program was started.
    void menuEntryWorksInTheDataFolder()
    {
        QTemporaryDir data;
        const QString folder = QDir(data.path()).filePath(QStringLiteral("vort"));
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(writeFile(QDir(folder).filePath(QStringLiteral("unit.cfg")),
                          configurationFileContent(TestSupport::validConfiguration())));
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_DATA_HOME"), data.path());
        QProcess vortsetup;
        vortsetup.setProcessEnvironment(environment);
        vortsetup.setWorkingDirectory(data.path());
        vortsetup.start(QStringLiteral(VORTSETUP_PATH), {"--data-folder", "--check", "unit.cfg"});
        QVERIFY(vortsetup.waitForFinished(20000));
        QCOMPARE(vortsetup.readAllStandardOutput().trimmed(),
                 QByteArray("Valid Configuration: Configuration is OK"));
        QCOMPARE(vortsetup.exitCode(), 0);
    }

    // A track is replaced by renaming a complete new file over it, or not at all: where the
    // folder takes no new file, and on a full disk.
    void trackReplacedWholeOrNotAtAll()
    {
#ifndef Q_OS_UNIX
        QSKIP("hard links and user rights of POSIX");
#else
        using File = QFileDevice;
        const auto owner = File::ReadOwner | File::WriteOwner | File::ExeOwner;
        const auto others = File::ReadOther | File::ExeOther;
        QTemporaryDir dir;
        QFile::setPermissions(dir.path(), owner | others);
        const QString log = dir.filePath(QStringLiteral("log.csv"));
        const QString gpx = dir.filePath(QStringLiteral("log.gpx"));
        const QString secondName = dir.filePath(QStringLiteral("second.gpx"));
        QVERIFY(writeFile(log, goodLine));
        QVERIFY(writeFile(gpx, "earlier track"));
        QCOMPARE(
            ::link(QFile::encodeName(gpx).constData(), QFile::encodeName(secondName).constData()),
            0);

        QCOMPARE(GpxTrack::convert(log, gpx), GpxTrack::Status::Written);
        QCOMPARE(readFile(secondName), QByteArray("earlier track"));
        QCOMPARE(points(readFile(gpx)).size(), 1);

        // The track itself may be written by anyone: only the folder refuses.
        QVERIFY(writeFile(gpx, "earlier track"));
        QFile::setPermissions(gpx, File::ReadOwner | File::WriteOwner | File::ReadOther |
                                       File::WriteOther);
        QFile::setPermissions(dir.path(), File::ReadOwner | File::ExeOwner | others);
        const QStringList before = QDir(dir.path()).entryList(QDir::Files);
        {
            FileFaults::Unprivileged unprivileged;
            if (!unprivileged.permissionsCount())
                QSKIP("root could not give up its rights");
            QCOMPARE(GpxTrack::convert(log, gpx), GpxTrack::Status::FileError);
        }
        QFile::setPermissions(dir.path(), owner);
        QCOMPARE(readFile(gpx), QByteArray("earlier track"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), before);

        // A disk that fills up after 16 bytes: the earlier track stays whole, nothing is left.
        {
            FileFaults::FullDisk fullDisk(16);
            QCOMPARE(GpxTrack::convert(log, gpx), GpxTrack::Status::FileError);
        }
        QCOMPARE(readFile(gpx), QByteArray("earlier track"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), before);
#endif
    }

    // The batch upload leaves a track beside its log, after a failed upload too.
    void trackBesideTheUploadedLog_data()
    {
        QTest::addColumn<QStringList>("unit");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<int>("records");
        const QStringList withGpx{"--upload-positions", "--gpx"};
        QTest::newRow("demo drive") << QStringList{"--demo"} << withGpx << 0 << 36;
        // 200 characters: five whole records of 38, then silence.
        QTest::newRow("upload broken off")
            << QStringList{"--positions", "10", "--positions-silent-after", "200"} << withGpx << 6
            << 5;
        QTest::newRow("empty log: no track")
            << QStringList{"--positions", "0"} << withGpx << 0 << 0;
        QTest::newRow("without --gpx")
            << QStringList{"--positions", "3"} << QStringList{"--upload-positions"} << 0 << 3;
    }
    void trackBesideTheUploadedLog()
    {
        QFETCH(QStringList, unit);
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(int, records);
        const bool withGpx = arguments.contains(QStringLiteral("--gpx"));
        Workbench bench(unit);
        const BatchResult result = bench.run(arguments);
        QCOMPARE(result.exitCode, exitCode);
        const QStringList &out = result.out;
        if (exitCode == 0 && records > 0)
            QCOMPARE(out.first(), QStringLiteral("Saved:  %1 GPS locations Saved !").arg(records));
        const QString csv = out.value(withGpx && records > 0 ? out.size() - 2 : out.size() - 1);
        QVERIFY2(csv.endsWith(QLatin1String(".csv")), qPrintable(out.join('\n')));
        const QByteArray log = bench.read(csv);
        QCOMPARE(log.count("\r\n"), records);
        const QString gpx = GpxTrack::besideName(csv);
        if (!withGpx || records == 0) {
            QVERIFY(!QFile::exists(bench.path(gpx)));
            return;
        }
        // The drive starts in London at 14:03:27 on 6 December 2026.
        QVERIFY(log.startsWith("\"06/12/26\",\"14:03:27\",\"5130.4521\",\"N\",\"00007.5678\","
                               "\"W\",\"038.0\",\"200.0\"\r\n"));
        QCOMPARE(out.last(), QStringLiteral("%1: %2 points written").arg(gpx).arg(records));
        QCOMPARE(schemaErrors(bench.path(gpx)), QString());
        // Every record of the log is one point of the track.
        const QStringList track = points(bench.read(gpx));
        QCOMPARE(track.size(), records);
        QCOMPARE(track.first(),
                 QStringLiteral("51.507535 -0.12613 2026-12-06T14:03:27Z 038.0 200.0"));
    }

    void endsWithItsStatus_data()
    {
        QTest::addColumn<QStringList>("unit"); // vortsim's options; "none": no device, no --port
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QStringList>("out");
        QTest::addColumn<QStringList>("err");
        QTest::addColumn<QByteArray>("log"); // log.csv; "<missing>": no such file
        QTest::addColumn<QString>("track");  // the file that must exist afterwards (validated)
        const auto row = [](const char *name, const QStringList &unit, const QStringList &arguments,
                            int exitCode, const QStringList &out, const QStringList &err,
                            const QByteArray &log = "<missing>", const QString &track = {}) {
            QTest::newRow(name) << unit << arguments << exitCode << out << err << log << track;
        };
        const QStringList none;
        const QStringList noUnit{"none"};
        const QString downloaded = QStringLiteral("Download: Download succesful !");
        const QString refused = QStringLiteral("Password Invalid !: Invalid Password");
        const QByteArray garbage = "garbage\r\n";

        row("download config", none, {"--download-config", "valid.cfg"}, 0, {downloaded}, none);
        row("port not available", noUnit,
            {"--port", "COM1=/nonexistent/ttyVORT", "--download-table", "table.txt"}, 3, none,
            {"ERROR: COM: not available. Change the CommPort property to another port."});
        row("invalid password", {"--refuse-password"}, {"--download-config", "valid.cfg"}, 4, none,
            {refused});
        row("password given", {"--password", "1234", "--ready-digit", "1"},
            {"--password", "1234", "--download-table", "table.txt"}, 0, {downloaded}, none);
        row("invalid configuration", none, {"--download-config", "invalid.cfg"}, 5, none,
            {"Error: Invalid Configuration"});
        row("configuration not taken", {"--download-answer", "none"},
            {"--download-config", "valid.cfg"}, 6, none, {"Invalid download !: Error download !"});
        // No port is needed to check a file; every failed test is named.
        row("check fails", noUnit, {"--check", "invalid.cfg"}, 5, none,
            {"Error: Invalid GEO fencing delay", "Error: Invalid UDP packet identification"});
        row("no such file", none, {"--download-config", "missing.cfg"}, 7, none,
            {"Error: Error loading file"});
        row("no such file to check", noUnit, {"--check", "a.cfg"}, 7, none,
            {"Error: Error loading file"});
        // Refused before the port is even opened (with no device, opening would give 3).
        for (const auto &[name, file, named] :
             {std::tuple("table with a word", "word.txt",
                         R"(row 3, latitude "abc" is not a number)"),
              std::tuple("table with a comma", "comma.txt",
                         R"(row 1, latitude "51,5074" is not a number)"),
              std::tuple("table with 256", "256.txt",
                         R"(row 99, longitude "256" is not below 256)")})
            row(name, noUnit, {"--port", "COM1=/nonexistent/ttyVORT", "--download-table", file}, 7,
                none, {QStringLiteral("Error: Error loading file: ") + file + ", " + named});
        row("unit asleep", {"--silent"}, {"--connect-timeout", "2", "--upload-positions"}, 9, none,
            {"The unit did not answer within 2 s."});
        // Steps run in the order given; the first failure ends the run.
        row("first failure ends the run", {"--refuse-password"},
            {"--check", "valid.cfg", "--upload-config", "out.cfg", "--upload-positions"}, 4,
            {"Valid Configuration: Configuration is OK"}, {refused});
        // Ctrl+C (below) while the unit does not answer ends the run as EXIT would.
        row("interrupted", {"--silent"},
            {"--connect-timeout", "0", "--download-config", "valid.cfg"}, 8, none,
            {"Stopped by a signal; no further step runs."});
        row("bad option", noUnit, {"--check"}, 2, none,
            {"vortsetup: Missing value after '--check'."});
        // No window system is touched before the command line is read.
        row("version", noUnit, {"--version"}, 0, {"vortsetup 1.7 (VORT tool set 1.1.0)"}, none);

        // Position logs turned into tracks, with no unit or display.
        row("track beside the log", noUnit, {"--gpx", "log.csv"}, 0,
            {"log.gpx: 2 points written", "1 record left out, line 2"}, none,
            goodLine + garbage + goodLine, "log.gpx");
        row("named track, first few lines named", noUnit,
            {"--gpx", "log.csv", "--gpx-out", "drive.gpx"}, 0,
            {"drive.gpx: 1 point written", "7 records left out, lines 1, 2, 3, 4, 5, ..."}, none,
            garbage.repeated(6) + "\r\n" + garbage + goodLine, "drive.gpx");
        row("empty log", noUnit, {"--gpx", "log.csv"}, 5, none,
            {"log.csv: no usable record; no track written"}, "");
        row("nothing usable", noUnit, {"--gpx", "log.csv"}, 5, none,
            {"log.csv: no usable record (2 records left out, lines 1, 2); no track written"},
            garbage.repeated(2));
        row("no such log", noUnit, {"--gpx", "log.csv"}, 7, none,
            {"log.csv: cannot read: No such file or directory"});
        row("track would replace the log", noUnit, {"--gpx", "log.csv", "--gpx-out", "./log.csv"},
            7, none, {"./log.csv: the track would replace the log"}, goodLine);
        row("no log named", noUnit, {"--gpx-out", "drive.gpx"}, 2, none,
            {"vortsetup: --gpx takes one position log, --gpx-out at most one file"}, goodLine);
    }
    void endsWithItsStatus()
    {
        QFETCH(QStringList, unit);
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QStringList, out);
        QFETCH(QStringList, err);
        QFETCH(QByteArray, log);
        QFETCH(QString, track);
        Workbench bench(unit);
        if (log != "<missing>")
            bench.write(QStringLiteral("log.csv"), log);
        const BatchResult result = bench.run(arguments, [exitCode](ProgramProcess &vortsetup) {
            // The run is under way once it says it is waking the unit.
            QTRY_VERIFY_WITH_TIMEOUT(
                exitCode != 8 || vortsetup.standardError().contains(QLatin1String("Waking")),
                20000);
            if (exitCode == 8)
                vortsetup.signal(SIGINT);
        });
        QCOMPARE(std::tuple(result.exitCode, result.out, result.err),
                 std::tuple(exitCode, out, err));
        if (!track.isEmpty())
            QCOMPARE(schemaErrors(bench.path(track)), QString());
        // The bench's six files, the log as it was, the track, and no other file.
        QCOMPARE(bench.read(QStringLiteral("log.csv")), log);
        QCOMPARE(QDir(bench.path(QStringLiteral("."))).entryList(QDir::Files).size(),
                 6 + int(log != "<missing>") + int(!track.isEmpty()));
        // A run that reached the unit says once it is waking it, then a dot a second.
        const bool woke =
            unit != QStringList{"none"} && exitCode != 5 && exitCode != 7 && exitCode != 2;
        QCOMPARE(result.wakes.size(), woke ? 1 : 0);
        if (exitCode == 9) // asleep
            QVERIFY(result.wakes.first().endsWith(u'.'));
    }

    // Download then upload through vortsim, the later one read back in the unit's styles; then
    // the same for the table, in a second run as a later script would: the unit kept the table.
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
        Workbench bench(unit + QStringList{"--unit-version", "V6.3 test"});
        const BatchResult result =
            bench.run({"--download-config", "valid.cfg", "--upload-config", bench.path("out.cfg")});
        // The download pauses after every one of its 512 characters.
        QVERIFY(result.ms >= qint64(512) * downloadPauseMs(9600));
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

        QCOMPARE(bench.run({"--download-table", "table.txt"}).exitCode, 0);
        const BatchResult table = bench.run({"--upload-table", "out.txt"});
        QCOMPARE(table.err, QStringList());
        QCOMPARE(table.out, (QStringList{"Upload: Upload succesful !",
                                         "Saved: Configuration has been Saved"}));
        QCOMPARE(table.exitCode, 0);
        QCOMPARE(bench.read("out.txt"), bench.read("table.txt"));
    }
};

QTEST_GUILESS_MAIN(TestVortsetupBatch)
#include "test_vortsetup_batch.moc"
