#include "configuration/file_choice.h"
#include "configuration/setup1.h"
#include "configuration/setup3.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QTemporaryDir>
#include <QtTest>

namespace {
QString sep()
{
    return QString(QDir::separator());
}
} // namespace

class TestSetupScreens : public QObject
{
    Q_OBJECT
private slots:
    void fileChoiceTexts_data()
    {
        QTest::addColumn<QString>("directory");
        QTest::addColumn<QString>("afterDirectory");
        QTest::addColumn<QString>("afterFile"); // file "a.cfg" clicked
        const QString s = sep();
        QTest::newRow("root") << s << s << s + "a.cfg";
        QTest::newRow("drive root") << "C:" + s << "C:" + s << "C:" + s + "a.cfg";
        QTest::newRow("four characters") << s + "tmp" << s + "tmp" << s + "tmp" + s + "a.cfg";
        QTest::newRow("five characters")
            << s + "home" << s + "home" + s << s + "home" + s + "a.cfg";
        QTest::newRow("deeper") << s + "home" + s + "x" << s + "home" + s + "x" + s
                                << s + "home" + s + "x" + s + "a.cfg";
    }
    void fileChoiceTexts()
    {
        QFETCH(QString, directory);
        QFETCH(QString, afterDirectory);
        QFETCH(QString, afterFile);
        QCOMPARE(FileChoice::textForDirectory(directory), afterDirectory);
        QCOMPARE(FileChoice::textForFile(directory, QStringLiteral("a.cfg")), afterFile);
    }

    void fileChoiceFollowsTheLists()
    {
        QTemporaryDir dir;
        QFile(dir.filePath(QStringLiteral("unit.cfg"))).open(QIODevice::WriteOnly);
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("sub")));
        Setup1 screen;
        FileChoice &choice = screen.fileChoice();
        QCOMPARE(screen.selectedFile(), QString()); // empty at start
        QCOMPARE(choice.directoryPath(), QDir::toNativeSeparators(QDir::currentPath()));

        const QString native = QDir::toNativeSeparators(dir.path());
        choice.setDirectoryPath(dir.path());
        QCOMPARE(screen.selectedFile(), native + sep());
        QListWidget *files = choice.fileList();
        QCOMPARE(files->count(), 1);
        QTest::mouseClick(files->viewport(), Qt::LeftButton, {},
                          files->visualItemRect(files->item(0)).center());
        QCOMPARE(screen.selectedFile(), native + sep() + "unit.cfg");

        // Opening "sub" from the directory list moves the file list there.
        QListWidget *dirs = choice.directoryList();
        const auto sub = dirs->findItems(QStringLiteral("sub"), Qt::MatchEndsWith);
        QCOMPARE(sub.size(), 1);
        emit dirs->itemActivated(sub[0]);
        QCOMPARE(choice.directoryPath(), native + sep() + "sub");
        QCOMPARE(files->count(), 0);
        // Typing stays possible.
        QVERIFY(!choice.pathText()->isReadOnly());
    }

    void recordRoundTrip()
    {
        ConfigurationRecord record;
        for (const SettingDescriptor &d : settingDescriptors()) {
            if (d.kind == SettingDescriptor::Kind::List)
                record.*d.index = static_cast<int>(d.items->size()) - 1;
            else
                record.*d.text = QStringLiteral("v%1 \"x\"").arg(d.number);
        }
        Setup1 setup1;
        Setup3 setup3;
        QVERIFY(setup1.setRecord(record));
        QVERIFY(setup3.setRecord(record));
        ConfigurationRecord back = setup1.record();
        setup3.copyTo(back);
        QCOMPARE(back, record);
        QCOMPARE(setup1.existingPassword(), QStringLiteral("v37 \"x\""));
    }

    void refusesIndexesOutsideTheList_data()
    {
        QTest::addColumn<int>("setting");
        QTest::addColumn<int>("index");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("first") << 2 << 0 << true;
        QTest::newRow("last") << 2 << 4 << true;
        QTest::newRow("no selection") << 2 << -1 << true;
        QTest::newRow("past the end") << 2 << 5 << false;
        QTest::newRow("below -1") << 2 << -2 << false;
        QTest::newRow("text setting") << 3 << 0 << false;
        QTest::newRow("setup3 setting") << 46 << 0 << false;
    }
    void refusesIndexesOutsideTheList()
    {
        QFETCH(int, setting);
        QFETCH(int, index);
        QFETCH(bool, accepted);
        Setup1 screen;
        screen.writeIndex(2, 1);
        QCOMPARE(screen.writeIndex(setting, index), accepted);
        if (setting == 2)
            QCOMPARE(screen.settings().readIndex(2), accepted ? index : 1);
    }

    void refusedIndexLeavesTheOtherSettingsWritten()
    {
        ConfigurationRecord record;
        record.panicInput = 7;
        record.speedLimit = QStringLiteral("90");
        Setup1 screen;
        QVERIFY(!screen.setRecord(record));
        QCOMPARE(screen.record().speedLimit, QStringLiteral("90"));
        QCOMPARE(screen.settings().readIndex(45), 0);
    }
};

QTEST_MAIN(TestSetupScreens)
#include "test_setup_screens.moc"
