#include "config_tool/test_files.h"
#include "configuration/configuration_file.h"
#include "support/accessibility_walk.h"
#include "support/main_window_bench.h"
#include "support/recording_fakes.h"
#include "support/valid_configuration.h"
#include "windows/file_choice.h"
#include "windows/setup1.h"
#include "windows/setup2.h"
#include "windows/setup3.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

namespace {
const QString sep(QDir::separator());
QList<ShownMessage> errors(const QStringList &prompts)
{
    QList<ShownMessage> boxes;
    for (const QString &prompt : prompts)
        boxes << ShownMessage{prompt, QStringLiteral("Error"), MessageIcon::Critical};
    return boxes;
}
const ShownMessage configurationOk{QStringLiteral("Configuration is OK"),
                                   QStringLiteral("Valid Configuration"), MessageIcon::None};
const ShownMessage saved{QStringLiteral("Configuration has been Saved"), QStringLiteral("Saved"),
                         MessageIcon::Information};

// The main window with its configuration screen setup1 at hand.
struct ScreensBench : MainWindowBench
{
    Setup1 &screen() { return *window.setup1(); }
    // A control anywhere on setup1, also inside its groups.
    template <typename T> T *field(const char *name) { return control<T>(name, &screen()); }
    void click(const char *name) { button(name, &screen())->click(); }
    void choose(const QString &file) { field<QLineEdit>("Text1")->setText(file); }
    QString versionCaption() { return field<QLabel>("Label2")->text(); }
};
} // namespace

class TestSetupScreens : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    QString path(const char *name) const { return m_dir.filePath(QLatin1String(name)); }

private slots:
    void fileChoiceTexts()
    {
        // A directory, the text it gives, and the text once its file "a.cfg" is clicked.
        const QString s = sep;
        const std::tuple<QString, QString, QString> rows[] = {
            {s, s, s + "a.cfg"},
            {"C:" + s, "C:" + s, "C:" + s + "a.cfg"},
            {s + "tmp", s + "tmp", s + "tmp" + s + "a.cfg"},
            {s + "home", s + "home" + s, s + "home" + s + "a.cfg"},
            {s + "home" + s + "x", s + "home" + s + "x" + s, s + "home" + s + "x" + s + "a.cfg"}};
        for (const auto &[directory, afterDirectory, afterFile] : rows) {
            QCOMPARE(FileChoice::textForDirectory(directory), afterDirectory);
            QCOMPARE(FileChoice::textForFile(directory, QStringLiteral("a.cfg")), afterFile);
        }
    }

    void fileListsShowNewFiles_data()
    {
        QTest::addColumn<bool>("configuration");
        QTest::newRow("configuration") << true;
        QTest::newRow("location table") << false;
    }
    void fileListsShowNewFiles()
    {
        QFETCH(bool, configuration);
        QTemporaryDir dir;
        RecordingMessageBoxes boxes;
        RecordingHelpViewer help;
        Setup1 setup1(&help);
        setup1.setMessageBoxes(&boxes);
        Setup2 setup2(nullptr, &boxes, nullptr); // its own help viewer, unused
        QDialog &screen = configuration ? static_cast<QDialog &>(setup1) : setup2;
        FileChoice *choice = configuration ? &setup1.fileChoice() : &setup2.fileChoice();
        // The lists start in the working directory, Text1 empty and open to typing.
        QCOMPARE(choice->directoryPath(), QDir::toNativeSeparators(QDir::currentPath()));
        QCOMPARE(choice->pathText()->text(), QString());
        QVERIFY(!choice->pathText()->isReadOnly());
        screen.show();
        const QString native = QDir::toNativeSeparators(dir.path());
        choice->setDirectoryPath(dir.path());
        QCOMPARE(choice->pathText()->text(), native + sep);
        const auto shown = [choice] {
            QStringList names;
            for (int i = 0; i < choice->fileList()->count(); ++i)
                names << choice->fileList()->item(i)->text();
            return names;
        };
        QCOMPARE(shown(), QStringList{});

        // A save shows its file at once.
        choice->pathText()->setText(dir.filePath(QStringLiteral("saved.txt")));
        screen.findChild<QPushButton *>(QStringLiteral("Command4"))->click();
        QCOMPARE(boxes.shown, QList<ShownMessage>{saved});
        QCOMPARE(shown(), QStringList{QStringLiteral("saved.txt")});

        // Files written while the screen was hidden show with it; the file chosen stays chosen.
        choice->fileList()->setCurrentRow(0);
        screen.hide();
        QFile(dir.filePath(QStringLiteral("06-12-2026L_14.03.27.csv"))).open(QIODevice::WriteOnly);
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("sub")));
        screen.show();
        QCOMPARE(shown(), (QStringList{QStringLiteral("06-12-2026L_14.03.27.csv"),
                                       QStringLiteral("saved.txt")}));
        QCOMPARE(choice->fileList()->currentItem()->text(), QStringLiteral("saved.txt"));
        QTest::mouseClick(choice->fileList()->viewport(), Qt::LeftButton, {},
                          choice->fileList()->visualItemRect(choice->fileList()->item(0)).center());
        QCOMPARE(choice->pathText()->text(), native + sep + "06-12-2026L_14.03.27.csv");

        // So does a new folder; opening it moves the file list there.
        QListWidget *folders = choice->directoryList();
        const auto sub = folders->findItems(QStringLiteral("sub"), Qt::MatchEndsWith);
        QCOMPARE(sub.size(), 1);
        emit folders->itemActivated(sub[0]);
        QCOMPARE(choice->directoryPath(), native + sep + "sub");
        QCOMPARE(shown(), QStringList{});
    }

    // A laptop of 1366 x 768 at 100 % and at 125 % (the two offscreen screens of main below).
    void configurationScreenFitsALaptop_data()
    {
        QTest::addColumn<int>("screenIndex");
        QTest::addColumn<qreal>("scale");
        QTest::newRow("100 %") << 0 << 1.0;
        QTest::newRow("125 %") << 1 << 1.25;
    }
    void configurationScreenFitsALaptop()
    {
        QFETCH(int, screenIndex);
        QFETCH(qreal, scale);
        QScreen *laptop = QGuiApplication::screens().value(screenIndex);
        QVERIFY(laptop && laptop->devicePixelRatio() == scale);
        QCOMPARE(laptop->geometry().size() * scale, QSize(1366, 768));

        Setup1 screen;
        screen.setScreen(laptop);
        screen.move(laptop->availableGeometry().topLeft());
        screen.show();
        QVERIFY(QTest::qWaitForWindowExposed(&screen));
        // Room left for a title bar and a panel.
        const QSize room = laptop->availableGeometry().size() - QSize(0, qRound(60 / scale));
        QCOMPARE(screen.frameGeometry().size().boundedTo(room), screen.frameGeometry().size());

        // Every control can be brought into view.
        auto *area = screen.findChild<QScrollArea *>();
        QVERIFY(area);
        int checked = 0;
        for (QWidget *control : area->widget()->findChildren<QWidget *>()) {
            if (control->isHidden() ||
                (!qobject_cast<QPushButton *>(control) && !qobject_cast<QLineEdit *>(control) &&
                 !qobject_cast<QComboBox *>(control) && !qobject_cast<QListWidget *>(control)))
                continue;
            // Scrolled as far towards the control as the scroll bars go.
            const QRect inForm(control->mapTo(area->widget(), QPoint()), control->size());
            area->horizontalScrollBar()->setValue(inForm.left());
            area->verticalScrollBar()->setValue(inForm.top());
            // A box wider than the window (File Selected) shows its start.
            const QRect inView(control->mapTo(area->viewport(), QPoint()),
                               control->size().boundedTo(area->viewport()->size()));
            QVERIFY2(area->viewport()->rect().contains(inView), qPrintable(control->objectName()));
            ++checked;
        }
        QVERIFY(checked > 0);
        // At 100 % the whole screen shows at once.
        if (scale == 1.0) {
            QVERIFY(!area->horizontalScrollBar()->isVisible());
            QVERIFY(!area->verticalScrollBar()->isVisible());
        }
        // Every button is in view wherever the form is scrolled to: its whole rectangle is drawn
        // and lies on the screen.
        for (const QPoint scrolled : {QPoint(0, 0), QPoint(100000, 100000)}) {
            area->horizontalScrollBar()->setValue(scrolled.x());
            area->verticalScrollBar()->setValue(scrolled.y());
            const auto buttons = screen.findChildren<QPushButton *>();
            QCOMPARE(buttons.size(), 5);
            for (QPushButton *button : buttons) {
                const QRect onScreen(button->mapToGlobal(QPoint()), button->size());
                QVERIFY2(button->visibleRegion() == QRegion(button->rect()) &&
                             laptop->availableGeometry().contains(onScreen),
                         qPrintable(button->objectName()));
            }
        }

        // The grid's column titles are one text: "Latitude" and "Longitude" start over the
        // first pixel column of their own columns, and fit within them.
        Setup2 table;
        table.setScreen(laptop);
        table.show();
        QVERIFY(QTest::qWaitForWindowExposed(&table));
        const auto *titles = table.findChild<QLabel *>(QStringLiteral("Label1"));
        const QTableWidget *grid = table.grid();
        const QFontMetrics metrics(titles->font());
        for (const int column : {1, 2}) {
            const QString word =
                column == 1 ? QStringLiteral("Latitude") : QStringLiteral("Longitude");
            const int wordLeft =
                titles->mapTo(&table, titles->contentsRect().topLeft()).x() + titles->indent() +
                metrics.horizontalAdvance(titles->text().left(titles->text().indexOf(word)));
            const int columnLeft =
                grid->viewport()
                    ->mapTo(&table, QPoint(grid->columnViewportPosition(column), 0))
                    .x();
            QVERIFY2(qAbs(wordLeft - columnLeft) <= 1,
                     qPrintable(QStringLiteral("%1 at %2, column at %3")
                                    .arg(word)
                                    .arg(wordLeft)
                                    .arg(columnLeft)));
            QVERIFY(metrics.horizontalAdvance(word) < grid->columnWidth(column));
        }
    }

    // Over AT-SPI a drop-down list is named by its current item ("N"); a screen reader learns
    // which list it is from what it is labelled by. Each list of the screen has a label of its
    // own, not only the title of the group it sits in, and no two lists share one.
    void listsLabelledOnTheBus()
    {
        Setup1 screen;
        QMap<QString, QStringList> labels; // by objectName
        for (const BusControl &control : busControls(&screen))
            labels.insert(control.objectName, control.ownLabels);
        QStringList first;
        for (const QComboBox *list : screen.findChildren<QComboBox *>()) {
            const QStringList own = labels.value(list->objectName());
            QVERIFY2(!own.isEmpty(), qPrintable(list->objectName()));
            first << own.first();
        }
        QCOMPARE(QSet<QString>(first.begin(), first.end()).size(), first.size());
        for (const auto &[name, label] :
             {std::pair("Combo8", "LAT1 N/S"), std::pair("Combo9", "LAT2 N/S"),
              std::pair("Combo10", "LONG1 E/W"), std::pair("Combo11", "LONG2 E/W")})
            QCOMPARE(labels.value(QLatin1String(name)), QStringList{QLatin1String(label)});
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

    void refusesIndexesOutsideTheList()
    {
        // Setting 2 is a list of five items; 3 is a text, 46 a list of setup3.
        const std::tuple<int, int, bool> rows[] = {{2, 0, true},  {2, 4, true},   {2, -1, true},
                                                   {2, 5, false}, {2, -2, false}, {3, 0, false},
                                                   {46, 0, false}};
        for (const auto &[setting, index, accepted] : rows) {
            Setup1 screen;
            screen.writeIndex(2, 1);
            QCOMPARE(screen.writeIndex(setting, index), accepted);
            QCOMPARE(screen.settings().readIndex(2), setting == 2 && accepted ? index : 1);
        }
        // A refused index leaves the other settings of a record written.
        ConfigurationRecord record;
        record.panicInput = 7;
        record.speedLimit = QStringLiteral("90");
        Setup1 screen;
        QVERIFY(!screen.setRecord(record));
        QCOMPARE(screen.record().speedLimit, QStringLiteral("90"));
        QCOMPARE(screen.settings().readIndex(45), 0);
    }

    // Check, Save and Load as the user meets them on setup1 and the controls of both screens.
    // Check shows every failure, then its verdict; an overflow ends it (row 3 here: row 1's
    // failure before it, nothing after).
    void checkShowsEveryFailureThenTheVerdict()
    {
        ScreensBench bench;
        ConfigurationRecord record = TestSupport::validConfiguration();
        QVERIFY(bench.screen().setConfiguration(record));
        bench.click("Command5");
        record.basePhoneNumber.clear();
        record.speedLimit = QStringLiteral("1E999");
        record.geoLat1 = QStringLiteral("95"); // would fail row 5
        QVERIFY(bench.screen().setConfiguration(record));
        bench.click("Command5");
        // Typed away on the screen: every text box of a setting emptied.
        for (const SettingDescriptor &d : settingDescriptors()) {
            if (d.screen == SettingDescriptor::Screen::Setup1 &&
                d.kind == SettingDescriptor::Kind::Text)
                bench.field<QLineEdit>(d.control)->clear();
        }
        bench.click("Command5");

        QCOMPARE(
            bench.boxes.shown,
            QList<ShownMessage>{configurationOk} +
                errors({"Invalid Base Phone number", "Invalid Configuration",
                        "Invalid Base Phone number", "Invalid LAT1 Value", "Invalid LAT2 Value",
                        "Invalid LONG1 Value", "Invalid LONG2 Value", "Invalid LAT1 Value",
                        "Invalid LAT2 Value", "Invalid LONG1 Value", "Invalid LONG2 Value",
                        "Invalid IP address for UDP", "Invalid server IP address",
                        "Invalid GEO fencing delay", "Invalid GEO fencing sensitivity",
                        "Invalid Alarm input delay time", "Invalid GPS reading interval",
                        "Invalid UDP packet identification", "Invalid Existing Password"}));
    }

    void saveThenLoadGivesTheScreensBack()
    {
        ScreensBench bench;
        // The screens start with the designed values on both of them.
        bench.choose(path("start.cfg"));
        bench.click("Command4");
        QCOMPARE(readFile(path("start.cfg")), configurationFileContent(ConfigurationRecord()));
        ConfigurationRecord record = TestSupport::validConfiguration();
        record.versionNumber = QStringLiteral("V6.3 from the unit\r\n");
        record.emailSendTo = QStringLiteral("fleet, north@example.com");
        record.geoFencingDelay = QStringLiteral(" 30");
        record.creditsLeft = -1;
        QVERIFY(bench.screen().setConfiguration(record));
        QCOMPARE(bench.versionCaption(), record.versionNumber);
        bench.choose(path("round.cfg"));

        bench.click("Command4");
        QCOMPARE(bench.boxes.shown, (QList<ShownMessage>{saved, saved}));

        // Back to other values on both screens, then Load.
        QVERIFY(bench.screen().setConfiguration(ConfigurationRecord()));
        bench.click("Command1");

        QCOMPARE(bench.boxes.shown.size(), 2); // a load says nothing
        QCOMPARE(bench.screen().configuration(), record);
        QCOMPARE(bench.versionCaption(), record.versionNumber);
        QCOMPARE(bench.field<QLineEdit>("Text15")->text(), record.emailSendTo);
        QCOMPARE(bench.field<QComboBox>("Combo6")->currentIndex(), -1);
        QCOMPARE(bench.control<QComboBox>("Combo4", bench.window.setup3())->currentIndex(), 1);
        QCOMPARE(bench.control<QLineEdit>("Text2", bench.window.setup3())->text(),
                 record.adcTriggerLevel);
    }

    // An empty path fails both ways; a file failing at its last line: nothing of it reaches the
    // screens. (The core refuses a double quote before the file is touched.)
    void saveAndLoadFailuresShowTheirBox()
    {
        QList<QByteArray> lines =
            configurationFileContent(TestSupport::validConfiguration()).split('\n');
        lines[50] = "7\r";
        QVERIFY(writeFile(path("partial.cfg"), lines.join('\n')));
        ScreensBench bench;
        const ConfigurationRecord before = bench.screen().configuration();
        const QString caption = bench.versionCaption();
        bench.choose(QString());
        bench.click("Command4");
        bench.click("Command1");
        bench.choose(path("partial.cfg"));
        bench.click("Command1");

        QCOMPARE(bench.boxes.shown,
                 (errors({"Invalid Path", "Error loading file", "Error loading file"})));
        QCOMPARE(bench.screen().configuration(), before);
        QCOMPARE(bench.versionCaption(), caption);
    }
};
int main(int argc, char *argv[])
{
    // Two laptop screens of 1366 x 768 pixels, the second at 120 dpi (125 % scaling).
    qputenv("QT_QPA_PLATFORM",
            "offscreen:configfile=" + QByteArray(TEST_DATA_DIR) + "/screens/laptop.json");
    QApplication app(argc, argv);
    TestSetupScreens test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "test_setup_screens.moc"
