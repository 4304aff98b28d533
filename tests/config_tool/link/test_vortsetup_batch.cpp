// vortsetup's batch operations as a script runs them, with vortsim on a pseudo-terminal, and the
// GPX tracks of position logs (every track written is checked by xmllint against GPX 1.1).
#include "batch/gpx_track.h"
#include "config_tool/test_files.h"
#include "configuration/configuration_file.h"
#include "configuration/configuration_image.h"
#include "configuration/configuration_transfer.h"
#include "link/position_log.h"
#include "location_table/location_table_file.h"
#include "reliability/file_faults.h"
#include "support/program_process.h"
#include "support/valid_configuration.h"
#include "support/vortsim_process.h"
#include "unit_position_log.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>

#include <algorithm>
#include <csignal>
#include <functional>

namespace {
QByteArray logLine(const QByteArray &date, const QByteArray &time, const QByteArray &latitude,
                   const QByteArray &north, const QByteArray &longitude, const QByteArray &east)
{
    return '"' + date + "\",\"" + time + "\",\"" + latitude + "\",\"" + north + "\",\"" +
           longitude + "\",\"" + east + "\",\"012.3\",\"270.0\"\r\n";
}
QByteArray logLine(const QByteArray &latitude, const QByteArray &north, const QByteArray &longitude,
                   const QByteArray &east)
{
    return logLine("06/12/26", "14:03:27", latitude, north, longitude, east);
}
QByteArray logLineAt(const QByteArray &date, const QByteArray &time)
{
    return logLine(date, time, "5130.4521", "N", "00007.5678", "W");
}
const QByteArray goodLine = logLineAt("06/12/26", "14:03:27");

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

// The program's own lines on standard error, without the platform's notes.
QStringList ownLines(const QString &text)
{
    QStringList lines = text.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    lines.removeIf(
        [](const QString &line) { return line.startsWith(QLatin1String("QStandardPaths:")); });
    return lines;
}
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
        if (!vortsetup.waitForExit(120000))
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
        QTest::newRow("north west")
            << goodLine << "51.507535 -0.12613 2026-12-06T14:03:27Z 012.3 270.0";
        QTest::newRow("south east")
            << logLine("31/12/26", "23:59:59", "3333.0000", "S", "15112.3456", "E")
            << "-33.55 151.20576 2026-12-31T23:59:59Z 012.3 270.0";
        QTest::newRow("pole, date line from the west")
            << logLine("9000.0000", "S", "18000.0000", "W")
            << "-90 -180 2026-12-06T14:03:27Z 012.3 270.0";
        QTest::newRow("date line from the east is the same line")
            << logLine("0000.0000", "N", "18000.0000", "E")
            << "0 -180 2026-12-06T14:03:27Z 012.3 270.0";
        QTest::newRow("nearest ten-millionth")
            << logLine("0000.0002", "N", "00000.0001", "E")
            << "0.0000033 0.0000017 2026-12-06T14:03:27Z 012.3 270.0";
        QTest::newRow("leap day, byte order mark, bare fields, LF")
            << QByteArray("\xEF\xBB\xBF"
                          "29/02/28,00:00:00,5130.4521,N,00007.5678,W,000.0,000.0\n")
            << "51.507535 -0.12613 2028-02-29T00:00:00Z 000.0 000.0";

        // Records left out.
        const std::pair<const char *, QByteArray> leftOut[] = {
            {"no hemisphere letters", logLine("5130.4521", "", "00007.5678", "")},
            {"letters swapped", logLine("5130.4521", "E", "00007.5678", "N")},
            {"latitude minutes 60", logLine("5160.0000", "N", "00007.5678", "W")},
            {"longitude minutes 60", logLine("5130.4521", "N", "00060.0000", "W")},
            {"past the pole", logLine("9000.0001", "N", "00007.5678", "W")},
            {"past the date line", logLine("5130.4521", "N", "18000.0001", "W")},
            {"no such day", logLineAt("31/02/26", "14:03:27")},
            {"no leap day", logLineAt("29/02/27", "14:03:27")},
            {"hour 24", logLineAt("06/12/26", "24:00:00")},
            {"second 60", logLineAt("06/12/26", "23:59:60")},
            {"speed garbled", QByteArray(goodLine).replace("012.3", "0<2.3")},
            {"stray quote", QByteArray(goodLine).replace("5130", "51\"30")},
            {"seven fields", QByteArray(goodLine).replace(",\"270.0\"", "")},
            {"garbage", QByteArray("\x01\xff<&>\r\n")}};
        for (const auto &[name, line] : leftOut)
            QTest::newRow(name) << line << QString();
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

    // An unknown first hemisphere code leaves the letters empty, a later one repeats the last.
    void hemispheresOfTheUnit()
    {
        const QDateTime time(QDate(2026, 12, 6), QTime(14, 3, 27));
        QList<QByteArray> records{UnitPositionLog::record(time, 51.507535, -0.12613, 12.3, 270),
                                  UnitPositionLog::record(time, -33.55, 151.2, 45.6, 90.5),
                                  UnitPositionLog::record(time, -33.55, 151.2, 45.6, 90.5),
                                  UnitPositionLog::record(time, 51.507535, -0.12613, 12.3, 270)};
        constexpr int codeIndex = 23;
        records[0][codeIndex] = '7';
        records[2][codeIndex] = '9';
        PositionLog::LineWriter writer;
        QByteArray log;
        for (QByteArray record : records) {
            std::reverse(record.begin(), record.end()); // the order the unit sends it in
            log += writer.line(record);
        }
        const GpxTrack::Track track = GpxTrack::fromLog(log, QStringLiteral("drive"));
        QStringList positions;
        for (const QString &point : points(track.document))
            positions << point.section(QLatin1Char(' '), 0, 1);
        QCOMPARE(positions, (QStringList{"-33.55 151.2", "-33.55 151.2", "51.507535 -0.12613"}));
        QCOMPARE(track.leftOut, 1);
        QCOMPARE(track.firstLeftOutLines, QList<int>{1});
    }

    void commandWithoutUnitOrDisplay_data()
    {
        QTest::addColumn<QByteArray>("log"); // log.csv; "<none>": no such file
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QStringList>("out");
        QTest::addColumn<QStringList>("err");
        QTest::addColumn<QString>("track"); // the file that must exist afterwards (validated)
        const QStringList none;
        const QByteArray garbage = "garbage\r\n";

        QTest::newRow("beside the log")
            << goodLine + garbage + goodLine << QStringList{"--gpx", "log.csv"} << 0
            << QStringList{"log.gpx: 2 points written", "1 record left out, line 2"} << none
            << "log.gpx";
        QTest::newRow("named track, first few lines named")
            << garbage.repeated(6) + "\r\n" + garbage + goodLine
            << QStringList{"--gpx", "log.csv", "--gpx-out", "drive.gpx"} << 0
            << QStringList{"drive.gpx: 1 point written",
                           "7 records left out, lines 1, 2, 3, 4, 5, ..."}
            << none << "drive.gpx";
        QTest::newRow("empty log")
            << QByteArray() << QStringList{"--gpx", "log.csv"} << 5 << none
            << QStringList{"log.csv: no usable record; no track written"} << QString();
        QTest::newRow("nothing usable")
            << garbage.repeated(2) << QStringList{"--gpx", "log.csv"} << 5 << none
            << QStringList{"log.csv: no usable record (2 records left out, lines 1, 2); no track "
                           "written"}
            << QString();
        QTest::newRow("no such log")
            << QByteArray("<none>") << QStringList{"--gpx", "log.csv"} << 7 << none
            << QStringList{"log.csv: cannot read: No such file or directory"} << QString();
        QTest::newRow("track would replace the log")
            << goodLine << QStringList{"--gpx", "log.csv", "--gpx-out", "./log.csv"} << 7 << none
            << QStringList{"./log.csv: the track would replace the log"} << QString();
        // No window system is touched before the command line is read.
        QTest::newRow("version") << QByteArray("<none>") << QStringList{"--version"} << 0
                                 << QStringList{"vortsetup 1.7 (VORT tool set 1.1.0)"} << none
                                 << QString();
        QTest::newRow("mistyped option")
            << QByteArray("<none>") << QStringList{"--uplod-config", "x"} << 2 << none
            << QStringList{"vortsetup: Unknown option 'uplod-config'."} << QString();
        QTest::newRow("batch check")
            << QByteArray("<none>") << QStringList{"--check", "a.cfg"} << 7 << none
            << QStringList{"Error: Error loading file"} << QString();
        QTest::newRow("no log named")
            << goodLine << QStringList{"--gpx-out", "drive.gpx"} << 2 << none
            << QStringList{"vortsetup: --gpx takes one position log, --gpx-out at most one file"}
            << QString();
    }
    void commandWithoutUnitOrDisplay()
    {
        QFETCH(QByteArray, log);
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QStringList, out);
        QFETCH(QStringList, err);
        QFETCH(QString, track);
        QTemporaryDir dir;
        if (log != "<none>")
            QVERIFY(writeFile(dir.filePath(QStringLiteral("log.csv")), log));
        ProgramProcess vortsetup(QStringLiteral(VORTSETUP_PATH), arguments, dir.path());
        QVERIFY(vortsetup.start());
        QVERIFY(vortsetup.waitForExit());
        QCOMPARE(vortsetup.lines(), out);
        QCOMPARE(ownLines(vortsetup.standardError()), err);
        QCOMPARE(vortsetup.exitCode(), exitCode);
        QStringList expectedFiles{QStringLiteral("log.csv")};
        if (log == "<none>")
            expectedFiles.clear();
        if (!track.isEmpty()) {
            QCOMPARE(schemaErrors(dir.filePath(track)), QString());
            expectedFiles << track;
        }
        QStringList files = QDir(dir.path()).entryList(QDir::Files);
        files.sort();
        expectedFiles.sort();
        QCOMPARE(files, expectedFiles);
        QCOMPARE(readFile(dir.filePath(QStringLiteral("log.csv"))),
                 log == "<none>" ? QByteArray("<missing>") : log);
    }

    // A track is replaced by renaming a complete new file over it, or not at all.
    void trackReplacedWholeOrNotAtAll()
    {
#ifndef Q_OS_UNIX
        QSKIP("hard links and user rights of POSIX");
#else
        QTemporaryDir dir;
        QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                              QFileDevice::ExeOwner | QFileDevice::ReadOther |
                                              QFileDevice::ExeOther);
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
        QFile::setPermissions(gpx, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                       QFileDevice::ReadOther | QFileDevice::WriteOther);
        QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner |
                                              QFileDevice::ReadOther | QFileDevice::ExeOther);
        const QStringList before = QDir(dir.path()).entryList(QDir::Files);
        {
            FileFaults::Unprivileged unprivileged;
            if (!unprivileged.permissionsCount())
                QSKIP("root could not give up its rights");
            QCOMPARE(GpxTrack::convert(log, gpx), GpxTrack::Status::FileError);
        }
        QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                              QFileDevice::ExeOwner);
        QCOMPARE(readFile(gpx), QByteArray("earlier track"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), before);
#endif
    }

    // The batch upload leaves a track beside its log, after a failed upload too.
    void trackBesideTheUploadedLog_data()
    {
        QTest::addColumn<QStringList>("unit");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<int>("records");
        QTest::addColumn<QString>("saved"); // the first line, when the upload succeeds
        QTest::addColumn<bool>("withGpx");
        QTest::newRow("demo drive")
            << QStringList{"--demo"} << 0 << 36 << "Saved:  36 GPS locations Saved !" << true;
        // 200 characters: five whole records of 38, then silence.
        QTest::newRow("upload broken off")
            << QStringList{"--positions", "10", "--positions-silent-after", "200"} << 6 << 5
            << QString() << true;
        QTest::newRow("empty log: no track")
            << QStringList{"--positions", "0"} << 0 << 0 << QString() << true;
        QTest::newRow("without --gpx") << QStringList{"--positions", "3"} << 0 << 3
                                       << "Saved:  3 GPS locations Saved !" << false;
    }
    void trackBesideTheUploadedLog()
    {
        QFETCH(QStringList, unit);
        QFETCH(int, exitCode);
        QFETCH(int, records);
        QFETCH(QString, saved);
        QFETCH(bool, withGpx);
        Workbench bench;
        VortsimProcess vortsim(unit);
        QVERIFY(vortsim.start());
        QStringList arguments{QStringLiteral("--upload-positions")};
        if (withGpx)
            arguments << QStringLiteral("--gpx");
        const BatchResult result = bench.run(vortsim.device(), arguments);
        QCOMPARE(result.exitCode, exitCode);
        const QStringList &out = result.out;
        if (!saved.isEmpty())
            QCOMPARE(out.first(), saved);
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
        QVERIFY(elapsed.elapsed() >= qint64(512) * downloadPauseMs(9600));
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
