// GPX tracks of position logs; every track written is checked by xmllint against GPX 1.1.
#include "batch/gpx_track.h"
#include "config_tool/test_files.h"
#include "link/position_log.h"
#include "reliability/file_faults.h"
#include "support/program_process.h"
#include "support/vortsim_process.h"
#include "unit_position_log.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>

#include <algorithm>

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
} // namespace

class TestGpxTrack : public QObject
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
        QTemporaryDir dir;
        VortsimProcess vortsim(unit);
        QVERIFY(vortsim.start());
        QStringList arguments{QStringLiteral("--port"), "COM1=" + vortsim.device(),
                              QStringLiteral("--tick-ms"), QStringLiteral("100"),
                              QStringLiteral("--upload-positions")};
        if (withGpx)
            arguments << QStringLiteral("--gpx");
        ProgramProcess vortsetup(QStringLiteral(VORTSETUP_PATH), arguments, dir.path());
        QVERIFY(vortsetup.start());
        QVERIFY(vortsetup.waitForExit(120000));
        QCOMPARE(vortsetup.exitCode(), exitCode);
        const QStringList out = vortsetup.lines();
        if (!saved.isEmpty())
            QCOMPARE(out.first(), saved);
        const QString csv = out.value(withGpx && records > 0 ? out.size() - 2 : out.size() - 1);
        QVERIFY2(csv.endsWith(QLatin1String(".csv")), qPrintable(out.join('\n')));
        const QByteArray log = readFile(dir.filePath(csv));
        QCOMPARE(log.count("\r\n"), records);
        const QString gpx = GpxTrack::besideName(csv);
        if (!withGpx || records == 0) {
            QVERIFY(!QFile::exists(dir.filePath(gpx)));
            return;
        }
        // The drive starts in London at 14:03:27 on 6 December 2026.
        QVERIFY(log.startsWith("\"06/12/26\",\"14:03:27\",\"5130.4521\",\"N\",\"00007.5678\","
                               "\"W\",\"038.0\",\"200.0\"\r\n"));
        QCOMPARE(out.last(), QStringLiteral("%1: %2 points written").arg(gpx).arg(records));
        QCOMPARE(schemaErrors(dir.filePath(gpx)), QString());
        // Every record of the log is one point of the track.
        const QStringList track = points(readFile(dir.filePath(gpx)));
        QCOMPARE(track.size(), records);
        QCOMPARE(track.first(),
                 QStringLiteral("51.507535 -0.12613 2026-12-06T14:03:27Z 038.0 200.0"));
    }
};

QTEST_GUILESS_MAIN(TestGpxTrack)
#include "test_gpx_track.moc"
