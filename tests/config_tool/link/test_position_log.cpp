#include "config_tool/test_files.h"
#include "link/position_log.h"
#include "link/position_log_upload.h"
#include "support/main_window_bench.h"
#include "unit_position_log.h"

#include <QDir>
#include <QLabel>
#include <QTemporaryDir>
#include <QtTest>

namespace {
const ShownMessage timeoutMessage{QStringLiteral("Error GPS Data download !"),
                                  QStringLiteral("Invalid download !"), MessageIcon::Critical};
const ShownMessage errorMessage{QStringLiteral("Download "), QStringLiteral("Error"),
                                MessageIcon::Critical};
const ShownMessage emptyMessage{QStringLiteral("No GPS locations to download !"), QString(),
                                MessageIcon::Information};

ShownMessage savedMessage(int count)
{
    return {QStringLiteral(" %1 GPS locations Saved !").arg(count), QStringLiteral("Saved"),
            MessageIcon::Information};
}

// Records as the unit keeps them: time, latitude, longitude, hemisphere, speed, course, date.
const QByteArray recordA =
    QByteArrayList{"140327", "51304521", "000075678", "2", "0123", "2700", "061226"}.join();
const QByteArray recordB =
    QByteArrayList{"140357", "51301234", "000080001", "0", "0456", "0905", "061226"}.join();
const QByteArray recordC =
    QByteArrayList{"235959", "33520000", "151123456", "1", "1000", "3599", "311226"}.join();
const QByteArray lineA = "\"06/12/26\",\"14:03:27\",\"5130.4521\",\"N\",\"00007.5678\",\"W\","
                         "\"012.3\",\"270.0\"\r\n";
const QByteArray lineB = "\"06/12/26\",\"14:03:57\",\"5130.1234\",\"N\",\"00008.0001\",\"E\","
                         "\"045.6\",\"090.5\"\r\n";
const QByteArray lineC = "\"31/12/26\",\"23:59:59\",\"3352.0000\",\"S\",\"15112.3456\",\"E\","
                         "\"100.0\",\"359.9\"\r\n";

QByteArray withCode(QByteArray record, char code)
{
    record[23] = code;
    return record;
}

const QDateTime uploadMoment(QDate(2026, 12, 6), QTime(14, 3, 27));

// Uploads into a fresh working directory with the clock stopped at uploadMoment.
struct UploadBench : MainWindowBench
{
    UploadBench()
    {
        QDir::setCurrent(directory.path());
        auto positions = std::make_unique<UnitPositionLog>();
        log = positions.get();
        log->setStartDelayMs(20);
        unit.addPhase('L', std::move(positions));
        auto phase = std::make_unique<PositionLogUpload>([] { return uploadMoment; });
        upload = phase.get();
        window.engine().phases().add(2, std::move(phase));
        QObject::connect(log, &UnitPositionLog::recordConfirmed, &window,
                         [this] { countsSeen.append(label("Label3")->text()); });
        window.show();
    }
    ~UploadBench() { QDir::setCurrent(QDir::tempPath()); }

    QLabel *label(const char *name) { return control<QLabel>(name); }
    // What the PC sent once the unit accepted the password.
    QByteArray answers() const
    {
        const QByteArray all = port.written();
        return all.mid(all.indexOf("L6048\r") + 6);
    }
    QStringList files() const { return QDir(directory.path()).entryList(QDir::Files); }
    bool displayHidden()
    {
        return button("Command11")->isHidden() && label("Label4")->isHidden() &&
               label("Label3")->isHidden();
    }

    QTemporaryDir directory;
    UnitPositionLog *log = nullptr;
    PositionLogUpload *upload = nullptr;
    QStringList countsSeen; // Label3 when the unit hears each "1"
};
} // namespace

class TestPositionLog : public QObject
{
    Q_OBJECT
private slots:
    void namesTheFileFromDateAndTime()
    {
        const QLocale c = QLocale::c();
        const QDateTime early(QDate(2027, 2, 1), QTime(9, 5, 7));
        QCOMPARE(PositionLog::fileName(uploadMoment, c),
                 QStringLiteral("06-12-2026L_14.03.27.csv"));
        QCOMPARE(PositionLog::fileName(early, c), QStringLiteral("01-02-2027L_09.05.07.csv"));
        // The locale's own formats (the time with its seconds), with "/" and ":" replaced.
        QCOMPARE(
            PositionLog::fileName(uploadMoment, QLocale(QLocale::English, QLocale::UnitedKingdom)),
            QStringLiteral("06-12-2026L_14.03.27.csv"));
        QCOMPARE(PositionLog::fileName(uploadMoment, QLocale(QLocale::German, QLocale::Germany)),
                 QStringLiteral("06.12.26L_14.03.27.csv"));
    }

    // Three records saved whole, cut by a silent unit (the port stays open) or by Command11.
    void uploadsThreeRecords_data()
    {
        QTest::addColumn<int>("characterDelayMs");
        QTest::addColumn<int>("silentAfter"); // -1: never
        QTest::addColumn<int>("burstAt");     // 0: never
        QTest::addColumn<int>("abortAt");     // the record count Command11 is clicked at, or 0
        QTest::addColumn<QList<ShownMessage>>("boxes");
        QTest::addColumn<QByteArray>("content");
        const QList<ShownMessage> saved{savedMessage(3)};
        const QList<ShownMessage> timedOut{timeoutMessage};
        QTest::newRow("at once") << 0 << -1 << 0 << 0 << saved << lineA + lineB + lineC;
        // A record then lasts longer than the silence limit: every piece starts it over.
        QTest::newRow("slow unit")
            << MainWindowBench::tickMs / 3 << -1 << 0 << 0 << saved << lineA + lineB + lineC;
        QTest::newRow("silent mid record")
            << 0 << 2 * 38 + 20 << 0 << 0 << timedOut << lineA + lineB;
        QTest::newRow("silent between records") << 0 << 38 << 0 << 0 << timedOut << lineA;
        // Two characters in one piece count once: the PC wants one more than the unit has.
        QTest::newRow("burst") << 0 << -1 << 38 + 5 << 0 << timedOut << lineA;
        QTest::newRow("Command11") << 0 << -1 << 0 << 2 << QList<ShownMessage>{} << lineA + lineB;
    }
    void uploadsThreeRecords()
    {
        QFETCH(int, characterDelayMs);
        QFETCH(int, silentAfter);
        QFETCH(int, burstAt);
        QFETCH(int, abortAt);
        QFETCH(QList<ShownMessage>, boxes);
        QFETCH(QByteArray, content);
        UploadBench bench;
        bench.log->setRecords({recordA, recordB, recordC});
        bench.log->setCharacterDelayMs(characterDelayMs);
        bench.log->setSilentAfter(silentAfter);
        bench.log->setBurstAt(burstAt);
        bool displayShown = false;
        connect(bench.log, &UnitPositionLog::recordConfirmed, this, [&](int count) {
            displayShown = bench.button("Command11")->isVisible() &&
                           bench.label("Label4")->isVisible() && bench.label("Label3")->isVisible();
            if (count == abortAt)
                bench.button("Command11")->click();
        });

        bench.window.startOperation(2);

        QCOMPARE(bench.boxes.shown, boxes);
        QCOMPARE(readFile(bench.upload->logFileName()), content);
        QVERIFY(displayShown);
        QVERIFY(bench.displayHidden());
        QCOMPARE(bench.port.settings(), QStringLiteral("38400,N,8,1"));
        QCOMPARE(bench.port.isOpen(), boxes == QList<ShownMessage>{timeoutMessage});
        if (burstAt > 0)
            QVERIFY(bench.answers().endsWith('1' + QByteArray(37, 'N')));
        if (abortAt > 0)
            QCOMPARE(bench.label("Label3")->text(), QString::number(abortAt));
        if (boxes != QList<ShownMessage>{savedMessage(3)})
            return;
        QCOMPARE(bench.boxes.shown.first().prompt, QStringLiteral(" 3 GPS locations Saved !"));
        QCOMPARE(bench.upload->logFileName(),
                 PositionLog::fileName(uploadMoment, QLocale::system()));
        QCOMPARE(bench.countsSeen, QStringList({"1", "2", "3"}));
        // "N" after each of the first 37 characters, "1" after each record, "N1" after "E".
        const QByteArray perRecord = QByteArray(37, 'N') + '1';
        QCOMPARE(bench.answers(), perRecord + perRecord + perRecord + "N1");
    }

    void uncreatableFileEndsBeforeReceiving()
    {
        UploadBench bench;
        bench.log->setRecords({recordA});
        // A working directory that no longer exists takes no new file, even for root.
        QTemporaryDir gone;
        QDir::setCurrent(gone.path());
        QVERIFY(gone.remove());

        bench.window.startOperation(2);

        QCOMPARE(bench.boxes.shown, QList<ShownMessage>{errorMessage});
        QCOMPARE(bench.answers(), QByteArray());
        QVERIFY(bench.displayHidden());
        QVERIFY(!bench.port.isOpen());
    }

    // Uploads in the same second keep their own files; each starts without hemisphere letters.
    void successiveUploadsKeepTheirFiles()
    {
        UploadBench bench;
        const QString name = PositionLog::fileName(uploadMoment, QLocale::system());
        bench.log->setRecords({withCode(recordA, '3'), withCode(recordB, '7')});
        bench.window.startOperation(2);
        bench.log->setRecords({withCode(recordC, '7')});
        bench.window.startOperation(2);
        bench.log->setRecords({});
        bench.window.startOperation(2);

        QCOMPARE(bench.boxes.shown,
                 QList<ShownMessage>({savedMessage(2), savedMessage(1), emptyMessage}));
        const QString second = PositionLog::candidateName(name, 2);
        const QString third = PositionLog::candidateName(name, 3);
        QCOMPARE(second, name.chopped(4) + "-2.csv");
        QCOMPARE(bench.upload->logFileName(), third);
        QStringList files{name, second, third};
        files.sort();
        QCOMPARE(bench.files(), files);
        const QByteArray southWest = QByteArray(lineA).replace("\"N\"", "\"S\"");
        QCOMPARE(readFile(name),
                 southWest + QByteArray(lineB).replace("\"N\"", "\"S\"").replace("\"E\"", "\"W\""));
        QCOMPARE(readFile(second), QByteArray(lineC).replace("\"S\"", "").replace("\"E\"", ""));
        // The empty log: "N1" answers its "E", and the count of the upload before stays.
        QCOMPARE(readFile(third), QByteArray());
        const QByteArray all = bench.port.written();
        QCOMPARE(all.mid(all.lastIndexOf("L6048\r") + 6), QByteArray("N1"));
        QCOMPARE(bench.label("Label3")->text(), QStringLiteral("1"));
        QVERIFY(bench.displayHidden());
        QVERIFY(!bench.port.isOpen());
    }
};

QTEST_MAIN(TestPositionLog)
#include "test_position_log.moc"
