// Saving the configuration and the location table where the file system says no gives the
// screen's error message, and an existing file keeps every byte it had.
#include "file_faults.h"

#include "config_tool/configuration/configuration_file.h"
#include "config_tool/windows/setup2.h"
#include "support/recording_fakes.h"
#include "support/valid_configuration.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>

namespace {
const QByteArray oldContent = "the file as it was before the save\r\n";
const auto all = QFileDevice::Permissions(0x7777);
const auto readOnly = QFileDevice::Permissions(0x5555);
const auto writable = QFileDevice::Permissions(0x6666);
const auto readOnlyFile = QFileDevice::Permissions(0x4444);

struct Fault
{
    bool existing;      // a file is there before the save and must keep every byte it had
    const char *target; // inside the folder
    QFileDevice::Permissions folder, file;
    bool folderInTheWay;
    // A disk with room for a few bytes only; a read-only folder gets it too, so that a save
    // that would fall back to writing the old file in place is caught truncating it.
    bool fullDisk;
};

QStringList entries(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                  QDir::NoDotAndDotDot);
}

// Lays out the fault in a fresh folder, runs save on the target path with the fault in force,
// and checks that the target and the folder are as they were.
void saveAgainst(const Fault &fault, const std::function<void(const QString &path)> &save)
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QFile::setPermissions(dir.path(), all); // open to every user
    const QString folder = dir.filePath(QStringLiteral("saves"));
    QVERIFY(QDir().mkpath(folder));
    const QString path = folder + QLatin1Char('/') + QLatin1String(fault.target);
    if (fault.existing) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(oldContent);
    }
    if (fault.folderInTheWay)
        QVERIFY(QDir().mkpath(path));
    if (fault.file)
        QFile::setPermissions(path, fault.file);
    QFile::setPermissions(folder, fault.folder);
    const QStringList before = entries(folder);
    {
        FileFaults::Unprivileged unprivileged;
        QVERIFY2(unprivileged.permissionsCount(), "root could not act as an unprivileged user");
        FileFaults::FullDisk fullDisk(fault.fullDisk ? 16 : RLIM_INFINITY);
        save(path);
    }
    QFile::setPermissions(folder, all);
    QCOMPARE(entries(folder), before); // no partial file, no temporary file left behind
    if (fault.existing) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), oldContent);
    }
}

} // namespace

Q_DECLARE_METATYPE(Fault)

class TestFileFaults : public QObject
{
    Q_OBJECT

private slots:
    void savesFail_data()
    {
        QTest::addColumn<Fault>("fault");
        QTest::newRow("missing folder") << Fault{false, "missing/unit.txt", all, {}, false, false};
        QTest::newRow("read-only folder") << Fault{false, "unit.txt", readOnly, {}, false, false};
        // The file could be written in place, the folder takes no new file.
        QTest::newRow("read-only folder, writable file")
            << Fault{true, "unit.txt", readOnly, writable, false, true};
        QTest::newRow("read-only file") << Fault{true, "unit.txt", all, readOnlyFile, false, false};
        QTest::newRow("folder in the way") << Fault{false, "unit.txt", all, {}, true, false};
        QTest::newRow("full disk, existing file")
            << Fault{true, "unit.txt", all, writable, false, true};
        QTest::newRow("full disk, new file") << Fault{false, "unit.txt", all, {}, false, true};
    }
    void savesFail()
    {
        QFETCH(Fault, fault);
        std::optional<QString> prompt;
        saveAgainst(fault, [&](const QString &path) {
            prompt = saveConfigurationFile(path, TestSupport::validConfiguration());
        });
        QCOMPARE(prompt, std::optional<QString>(QStringLiteral("Invalid Path")));

        RecordingMessageBoxes boxes;
        RecordingHelpViewer help;
        Setup2 screen(nullptr, &boxes, &help);
        screen.setCellText(4, QStringLiteral("51.4523"));
        saveAgainst(fault, [&](const QString &path) {
            screen.findChild<QLineEdit *>(QStringLiteral("Text1"))->setText(path);
            screen.findChild<QPushButton *>(QStringLiteral("Command4"))->click();
        });
        const QList<ShownMessage> expected = {{QStringLiteral("Error saving File !"),
                                               QStringLiteral("Error"), MessageIcon::Critical}};
        QCOMPARE(boxes.shown, expected);
    }

    // The same folders without a fault save normally, so the faults above are what failed.
    void savesWhenNothingIsWrong()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("unit.txt"));
        QCOMPARE(saveConfigurationFile(path, TestSupport::validConfiguration()), std::nullopt);
    }
};

QTEST_MAIN(TestFileFaults)
#include "test_file_faults.moc"
