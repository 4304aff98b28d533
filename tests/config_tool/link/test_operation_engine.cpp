// The main menu as it starts, the operations run from it, and the position log it uploads.
// Connections that capture locals by reference take a local scope object as their context,
// declared after what they capture, so they end first. clazy:excludeall=lambda-in-connect
#include "config_tool/test_files.h"
#include "link/operation.h"
#include "link/position_log.h"
#include "link/position_log_upload.h"
#include "support/accessibility_walk.h"
#include "support/main_window_bench.h"
#include "support/valid_configuration.h"
#include "unit_phases.h"
#include "unit_position_log.h"
#include "windows/message_boxes.h"
#include "windows/setup1.h"
#include "windows/setup2.h"
#include "windows/setup3.h"

#include <QAccessible>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QProgressBar>
#include <QTableWidget>
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
const QByteArray recordA = UnitPositionLog::record(QDateTime(QDate(2026, 12, 6), QTime(14, 3, 27)),
                                                   51 + 30.4521 / 60, -7.5678 / 60, 12.3, 270);
const QByteArray recordB = UnitPositionLog::record(QDateTime(QDate(2026, 12, 6), QTime(14, 3, 57)),
                                                   51 + 30.1234 / 60, 8.0001 / 60, 45.6, 90.5);
const QByteArray recordC =
    UnitPositionLog::record(QDateTime(QDate(2026, 12, 31), QTime(23, 59, 59)), -(33 + 52.0 / 60),
                            151 + 12.3456 / 60, 100, 359.9);
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
    // What the PC sent once the unit accepted the password, in the last run.
    QByteArray answers() const
    {
        const QByteArray all = port.written();
        return all.mid(all.lastIndexOf("L6048\r") + 6);
    }
    QByteArray read(const QString &name) const { return readFile(directory.filePath(name)); }
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
const ShownMessage invalidPassword{QStringLiteral("Invalid Password"),
                                   QStringLiteral("Password Invalid !"), MessageIcon::Critical};
} // namespace

class TestOperationEngine : public QObject
{
    Q_OBJECT
private slots:
    void startsLikeTheDesign()
    {
        MainWindowBench bench;
        Setup1 *setup1 = bench.window.setup1();
        QCOMPARE((QStringList{bench.window.windowTitle(), setup1->windowTitle(),
                              bench.window.setup3()->windowTitle()}),
                 (QStringList{"GPS Tracking configuration menu (V1.7 - VORT VOICE)-21-6-2005",
                              "Current Configuration", "Voice/ ADC Configuration"}));
        QCOMPARE(bench.control<QLabel>("Label1")->text(),
                 QStringLiteral("GPS tracking system configuration main menu :"));
        QCOMPARE(bench.control<QLabel>("Label2")->text(), QStringLiteral("COM1 Selected"));
        QCOMPARE(bench.control<QLabel>("Label4")->text(), QStringLiteral("Locations Downloaded :"));
        for (const char *hidden : {"Label3", "Label4", "List2", "Command5", "Command8", "Command9",
                                   "Command11", "Command15", "Command16", "setup1"})
            QVERIFY2(bench.control(hidden)->isHidden(), hidden);
        QCOMPARE(std::tuple(bench.window.portIndex(), bench.window.clock().tickCount(),
                            bench.window.configurationImage().size()),
                 std::tuple(0, 0, 256));
        // A static library drops unregistered resources: the sky and the road must differ.
        const QImage picture = bench.control<QLabel>("Picture1")->pixmap().toImage();
        QCOMPARE(picture.size(), QSize(600, 204));
        QVERIFY(picture.pixelColor(300, 2) != picture.pixelColor(300, 200));
        ConfigurationRecord onScreens = setup1->record();
        bench.window.setup3()->copyTo(onScreens);
        QCOMPARE(onScreens, ConfigurationRecord()); // "6048", "V6.X", "0", "0" and empty texts
        QCOMPARE(setup1->existingPassword(), QStringLiteral("6048"));
        QCOMPARE(
            std::pair(bench.window.setup2()->cellText(1), bench.window.setup2()->cellText(297)),
            std::pair(QStringLiteral("255"), QStringLiteral("99")));
    }

    void portListChoosesOnDoubleClickOnly()
    {
        MainWindowBench bench;
        bench.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&bench.window));
        auto *list = bench.control<QListWidget>("List2");

        bench.button("Command4")->click();
        QVERIFY(list->isVisible());
        QCOMPARE(list->currentRow(), 0);
        QTRY_VERIFY(list->hasFocus());

        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(list->item(4)).center());
        QCOMPARE(list->currentRow(), 4);
        QVERIFY(list->isVisible());
        QCOMPARE(bench.control<QLabel>("Label2")->text(), QStringLiteral("COM1 Selected"));
        QCOMPARE(bench.window.portIndex(), 0);
        bench.button("Command4")->click();
        QCOMPARE(list->currentRow(), 0);

        list->scrollToItem(list->item(11));
        const QPoint last = list->visualItemRect(list->item(11)).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, last);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, last);
        QVERIFY(list->isHidden());
        QCOMPARE(bench.control<QLabel>("Label2")->text(), QStringLiteral("COM12 Selected"));
        QCOMPARE(bench.window.portIndex(), 11);
        bench.button("Command4")->click();
        QCOMPARE(list->currentRow(), 11);
    }

    void boxesShowOneAfterAnotherWithoutWaiting()
    {
        // The check of a configuration can raise several boxes at once: each show() returns
        // at once, and the user reads them in the order said, each in front of the screen.
        MainWindowBench bench;
        bench.window.show();
        Setup1 *screen = bench.window.setup1();
        screen->show();
        WidgetMessageBoxes boxes(&bench.window);
        boxes.show(QStringLiteral("first"), QStringLiteral("Error"), MessageIcon::Critical);
        boxes.show(QStringLiteral("second"), QStringLiteral("Valid"), MessageIcon::None);
        for (const QString &expected : {QStringLiteral("first"), QStringLiteral("second")}) {
            QMessageBox *box = boxes.current();
            QVERIFY(box);
            QCOMPARE(box->text(), expected);
            QCOMPARE(box->parentWidget(), screen);
            QCOMPARE(QApplication::activeModalWidget(), box);
            box->button(QMessageBox::Ok)->click();
        }
        QCOMPARE(boxes.current(), nullptr);
        QCOMPARE(QApplication::activeModalWidget(), screen);
    }

    void screensOpenModallyAndKeepTheirValues()
    {
        // Each screen from its menu button, with a text setting of it.
        for (const auto &[menuButton, screen, setting] :
             {std::tuple("Command6", QStringLiteral("setup1"), 4),
              std::tuple("Command17", QStringLiteral("setup3"), 49)}) {
            MainWindowBench bench;
            bench.window.show();
            SettingControls &settings = screen == QLatin1String("setup1")
                                            ? bench.window.setup1()->settings()
                                            : bench.window.setup3()->settings();
            auto *dialog = bench.window.findChild<QDialog *>(screen);
            QPushButton *menu = bench.button(menuButton);
            // The click returns with the screen shown modally; RETURN MAIN MENU hides it.
            const auto visit = [&](const std::function<void()> &whileShown) {
                menu->click();
                QCOMPARE(QApplication::activeModalWidget(), dialog);
                whileShown();
                bench.button("Command2", dialog)->click();
                QVERIFY(dialog->isHidden());
                QCOMPARE(QApplication::activeModalWidget(), nullptr);
            };
            visit([&, setting = setting] { settings.writeText(setting, QStringLiteral("45")); });
            QString seen;
            visit([&, setting = setting] { seen = settings.readText(setting); });
            QCOMPARE(seen, QStringLiteral("45"));
        }
    }

    void everyControlHasAName()
    {
        MainWindowBench bench;
        QWidget *setup1 = bench.window.setup1();
        QStringList unnamed;
        for (QWidget *window :
             QWidgetList{&bench.window, setup1, bench.window.setup2(), bench.window.setup3()})
            unnamed += unnamedInteractiveControls(window);
        QCOMPARE(unnamed, QStringList());

        // What a screen reader says for the controls whose captions are shared or absent.
        const auto spoken = [](QWidget *screen, const char *name) {
            auto *control = screen->findChild<QWidget *>(QString::fromLatin1(name));
            return QAccessible::queryAccessibleInterface(control)->text(QAccessible::Name);
        };
        const QString combo = setup1->findChild<QWidget *>("Combo10")->accessibleName();
        QCOMPARE((QStringList{spoken(setup1, "Text1"), spoken(bench.window.setup2(), "Text1"),
                              spoken(setup1, "Text24"), spoken(setup1, "Text23"), combo}),
                 (QStringList{"File Selected :", "File Selected :", "LAT2", "LONG2", "LONG1 E/W"}));
        auto *grid = bench.window.setup2()->findChild<QTableWidget *>();
        QCOMPARE(QAccessible::queryAccessibleInterface(grid)->text(QAccessible::Description),
                 grid->toolTip());
    }

    // Help opens info.txt; EXIT closes a port left open.
    void helpAndExit()
    {
        MainWindowBench bench;
        bench.button("Command2")->click();
        bench.button("Command3", bench.window.setup1())->click();
        QCOMPARE(bench.help.opened, QStringList({"info.txt", "info.txt"}));
        bench.window.show();
        QVERIFY(bench.port.open(1, QStringLiteral("9600,N,8,1")));
        bench.button("Command3")->click();
        QVERIFY(!bench.port.isOpen());
        QVERIFY(!bench.window.isVisible());
        QCOMPARE(bench.boxes.shown, QList<ShownMessage>{});
    }

    // One run of each operation from its menu button, against the unit's own phases.
    void runsEachOperationFromTheMenu_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<char>("letter");
        QTest::addColumn<QString>("statusButton");
        QTest::addColumn<char>("readyDigit");
        QTest::addColumn<int>("maximum"); // of the progress bar; 0: a busy bar
        QTest::newRow("upload configuration, OK0") << "Command7" << 'U' << "Command8" << '0' << 510;
        QTest::newRow("download configuration") << "Command1" << 'D' << "Command9" << '1' << 512;
        QTest::newRow("positions, OK1") << "Command10" << 'L' << "Command11" << '1' << 0;
        QTest::newRow("table upload, OK0") << "Command13" << 'C' << "Command16" << '0' << 1200;
        QTest::newRow("table download, OK1") << "Command14" << 'O' << "Command15" << '1' << 600;
    }
    void runsEachOperationFromTheMenu()
    {
        QFETCH(QString, button);
        QFETCH(char, letter);
        QFETCH(QString, statusButton);
        QFETCH(char, readyDigit);
        QFETCH(int, maximum);
        QTemporaryDir directory; // the position log's file lands here
        QVERIFY(QDir::setCurrent(directory.path()));
        MainWindowBench bench;
        installUnitPhases(bench.unit);
        bench.unit.setReadyDigit(readyDigit);
        QVERIFY(bench.window.setup1()->setConfiguration(TestSupport::validConfiguration()));
        QList<char> accepted; // '5' for a letter accepted while Command5 still showed
        connect(&bench.unit, &SimulatedUnit::operationAccepted, this,
                [&](char l) { accepted.append(bench.button("Command5")->isVisible() ? '5' : l); });
        bench.window.show();
        // The bar shows below the status buttons, over the picture, and only beside its button.
        auto *bar = bench.control<QProgressBar>("progressBar");
        QPushButton *status = bench.button(qPrintable(statusButton));
        const QRect statusRect = status->geometry();
        QVERIFY(bar->geometry().top() > statusRect.bottom());
        QVERIFY(bench.control<QLabel>("Picture1")->geometry().contains(bar->geometry()));
        QList<QPair<int, int>> values; // value, maximum
        QSet<bool> statusBesideBar;    // whether the status button showed, each time the bar did
        bool barVisibleAtEnd = false;
        QObject scope; // ends the connection before the values it fills
        connect(bar, &QProgressBar::valueChanged, &scope, [&](int value) {
            values.append({value, bar->maximum()});
            barVisibleAtEnd = !bar->isHidden();
            if (barVisibleAtEnd)
                statusBesideBar << !status->isHidden();
        });
        // Polled, and at each move: a quick transfer may show the bar between two polls.
        bench.whileRunning([&] {
            if (!bar->isHidden())
                statusBesideBar << !status->isHidden();
            return false;
        });

        bench.button(button.toLatin1().constData())->click();
        QVERIFY(bench.awaitRun());

        QVERIFY(!bench.timedOut);
        QCOMPARE(accepted, QList<char>{letter});
        // "O" until the answer, then password, letter and password again.
        const QByteArray written = bench.port.written();
        const qsizetype calls = written.indexOf("6048\r");
        QVERIFY(calls > 0);
        QCOMPARE(written.left(calls + 11), QByteArray(calls, 'O') + "6048\r" + letter + "6048\r");
        QCOMPARE(bench.boxes.shown.size(), 1);
        QCOMPARE(bench.boxes.shown.first().icon, MessageIcon::Information);
        QVERIFY(!bench.port.isOpen());
        QCOMPARE(statusBesideBar, QSet<bool>{true});
        QVERIFY(bar->isHidden());
        QVERIFY(!values.isEmpty());
        for (const auto &shown : values)
            QCOMPARE(shown.second, maximum);
        // The whole transfer, shown while the bar was up, and never more.
        if (maximum > 0)
            QVERIFY(values.last().first == maximum && barVisibleAtEnd);
        for (const char *name :
             {"Command5", "Command8", "Command9", "Command11", "Command15", "Command16"}) {
            QCOMPARE(bench.button(name)->geometry(), statusRect);
            QVERIFY(bench.button(name)->isHidden());
        }
        QDir::setCurrent(QDir::tempPath());
    }

    // Command5, EXIT or the frame end a run: the port closes without a box; the menu is guarded.
    // An answer without its ready line leaves the run connecting, as silence does.
    void userEndsTheRun_data()
    {
        QTest::addColumn<QString>("menuButton");
        QTest::addColumn<QByteArray>("unit"); // "silent", "ready", or how its answer is wrong
        QTest::addColumn<QString>("how");     // a button, or "frame"
        QTest::newRow("Command5 connecting") << "Command7" << QByteArray("silent") << "Command5";
        QTest::newRow("Command5 in the pause") << "Command10" << QByteArray("ready") << "Command5";
        QTest::newRow("EXIT") << "Command10" << QByteArray("silent") << "Command3";
        QTest::newRow("window frame") << "Command10" << QByteArray("silent") << "frame";
        QTest::newRow("no CR LF") << "Command10" << QByteArray("OK0") << "Command5";
        QTest::newRow("LF only") << "Command10" << QByteArray("OK0\n") << "Command5";
        QTest::newRow("other digit") << "Command10" << QByteArray("OK2\r\n") << "Command5";
        QTest::newRow("lower case") << "Command10" << QByteArray("lower case") << "Command5";
        QTest::newRow("split across ticks") << "Command10" << QByteArray("split") << "Command5";
    }
    void userEndsTheRun()
    {
        QFETCH(QString, menuButton);
        QFETCH(QByteArray, unit);
        QFETCH(QString, how);
        MainWindowBench bench;
        const bool inThePause = unit == "ready";
        bench.unit.setSilent(unit == "silent");
        bench.unit.setAnswerText(unit.startsWith("OK") ? unit : QByteArray());
        bench.unit.setWrongCase(unit == "lower case");
        bench.unit.setSplitAnswer(unit == "split", MainWindowBench::tickMs * 3 / 2);
        bench.window.show();
        const char *guarded[] = {"Command1",  "Command6",  "Command7",  "Command10",
                                 "Command12", "Command13", "Command14", "Command17"};
        QPushButton *connecting = bench.button("Command5");
        bool visibleWhileConnecting = false;
        bool allDisabled = true;
        bool openedScreen = false;
        bench.whileRunning([&] {
            if (inThePause ? !bench.port.written().endsWith("6048\rL")
                           : bench.port.written().count('O') < 6)
                return false;
            visibleWhileConnecting = connecting->isVisible();
            for (const char *name : guarded)
                allDisabled = allDisabled && !bench.button(name)->isEnabled();
            bench.button("Command7")->click();
            bench.button("Command6")->click();
            openedScreen = bench.window.setup1()->isVisible();
            if (how == QLatin1String("frame"))
                bench.window.close();
            else
                bench.button(how.toLatin1().constData())->click();
            return true;
        });

        bench.button(menuButton.toLatin1().constData())->click();
        QVERIFY(bench.awaitRun());

        QVERIFY(!bench.timedOut);
        QVERIFY(visibleWhileConnecting || inThePause);
        QVERIFY(allDisabled && !openedScreen);
        QVERIFY(connecting->isHidden());
        QVERIFY(!bench.port.isOpen());
        QCOMPARE(bench.port.openCount(), 1);
        QCOMPARE(bench.boxes.shown, QList<ShownMessage>{});
        // Answered or not, the unit was woken; never answered rightly, only "O" went out.
        QVERIFY(unit == "silent" || bench.unit.wakeAnswers() >= (inThePause ? 1 : 3));
        if (inThePause)
            QVERIFY(bench.port.written().endsWith("6048\rL")); // no second password
        else
            QCOMPARE(bench.port.written(), QByteArray(bench.port.written().count('O'), 'O'));
        const bool closed = how != QLatin1String("Command5");
        QCOMPARE(bench.window.isVisible(), !closed);
        for (const char *name : guarded)
            QVERIFY(closed || bench.button(name)->isEnabled());
    }

    void invalidPasswordLeavesThePortOpenForTheNextRun()
    {
        // The unit refuses the password, or a wrong one is typed.
        for (const auto &[unitRefuses, typedPassword] :
             {std::pair(true, QStringLiteral("6048")), std::pair(false, QStringLiteral("1234"))}) {
            MainWindowBench bench;
            // The common exchange alone: the operations' own phases taken out.
            for (int code = 0; code < Operation::count; ++code)
                bench.window.engine().phases().add(code, nullptr);
            SimulatedUnit other;
            bench.port.attach(2, &other);
            bench.unit.setRefusePassword(unitRefuses);
            bench.window.setup1()->writeText(37, typedPassword);
            bench.window.show();

            bench.button("Command10")->click();
            QVERIFY(bench.awaitRun());

            QCOMPARE(bench.boxes.shown, QList<ShownMessage>{invalidPassword});
            QCOMPARE(bench.port.openPortNumber(), 1);
            QVERIFY(bench.button("Command5")->isHidden());

            // Choosing COM2 changes the label at once, but the open port is used.
            bench.button("Command4")->click();
            auto *list = bench.control<QListWidget>("List2");
            emit list->itemDoubleClicked(list->item(1));
            QCOMPARE(bench.control<QLabel>("Label2")->text(), QStringLiteral("COM2 Selected"));
            bench.unit.setRefusePassword(false);
            bench.window.setup1()->writeText(37, QStringLiteral("6048"));
            QSignalSpy accepted(&bench.unit, &SimulatedUnit::operationAccepted);

            bench.button("Command13")->click();
            QVERIFY(bench.awaitRun());

            QCOMPARE(accepted, QList<QVariantList>{{QVariant::fromValue('C')}});
            QCOMPARE(bench.port.openCount(), 1);
            QCOMPARE(other.received(), QByteArray());
            QCOMPARE(bench.boxes.shown, QList<ShownMessage>{invalidPassword});
        }
    }

    void namesTheFileFromDateAndTime()
    {
        // The locale's own formats (the time with its seconds), with "/" and ":" replaced.
        const QDateTime early(QDate(2027, 2, 1), QTime(9, 5, 7));
        const QLocale uk(QLocale::English, QLocale::UnitedKingdom);
        const QLocale german(QLocale::German, QLocale::Germany);
        QCOMPARE((QStringList{PositionLog::fileName(uploadMoment, QLocale::c()),
                              PositionLog::fileName(early, QLocale::c()),
                              PositionLog::fileName(uploadMoment, uk),
                              PositionLog::fileName(uploadMoment, german)}),
                 (QStringList{"06-12-2026L_14.03.27.csv", "01-02-2027L_09.05.07.csv",
                              "06-12-2026L_14.03.27.csv", "06.12.26L_14.03.27.csv"}));
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

        QVERIFY(bench.run(2));

        QCOMPARE(bench.boxes.shown, boxes);
        QCOMPARE(readFile(bench.upload->logFileName()), content);
        // The saved box says where the file is, in full: it lands in the working folder.
        const QString fullPath = QDir::toNativeSeparators(
            QDir(bench.directory.path()).filePath(bench.upload->logFileName()));
        QCOMPARE(bench.boxes.details, boxes == QList<ShownMessage>{savedMessage(3)}
                                          ? QStringList{fullPath}
                                          : QStringList(boxes.size(), QString()));
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
        QCOMPARE(bench.countsSeen, QStringList({"1", "2", "3"}));
        // "N" after each of the first 37 characters, "1" after each record, "N1" after "E".
        const QByteArray perRecord = QByteArray(37, 'N') + '1';
        QCOMPARE(bench.answers(), perRecord + perRecord + perRecord + "N1");
    }

    // An upload that cannot create its file ends before receiving. Uploads in the same second
    // keep their own files; each starts without hemisphere letters.
    void successiveUploadsKeepTheirFiles()
    {
        UploadBench bench;
        // A working directory that no longer exists takes no new file, even for root.
        QTemporaryDir gone;
        QDir::setCurrent(gone.path());
        QVERIFY(gone.remove());
        bench.log->setRecords({recordA});
        QVERIFY(bench.run(2));
        QCOMPARE(bench.answers(), QByteArray());
        QDir::setCurrent(bench.directory.path());

        const QString name = PositionLog::fileName(uploadMoment, QLocale::system());
        bench.log->setRecords({withCode(recordA, '3'), withCode(recordB, '7')});
        QVERIFY(bench.run(2));
        bench.log->setRecords({withCode(recordC, '7')});
        QVERIFY(bench.run(2));
        bench.log->setRecords({});
        QVERIFY(bench.run(2));
        // The empty log: "N1" answers its "E", and the count of the upload before stays.
        QCOMPARE(bench.answers(), QByteArray("N1"));
        QCOMPARE(bench.label("Label3")->text(), QStringLiteral("1"));

        QCOMPARE(bench.boxes.shown, QList<ShownMessage>({errorMessage, savedMessage(2),
                                                         savedMessage(1), emptyMessage}));
        const QString second = PositionLog::candidateName(name, 2);
        const QString third = PositionLog::candidateName(name, 3);
        QCOMPARE(second, name.chopped(4) + "-2.csv");
        // In the order of their names: "-" before ".".
        QCOMPARE(QDir(bench.directory.path()).entryList(QDir::Files),
                 (QStringList{second, third, name}));
        const QByteArray southWest = QByteArray(lineA).replace("\"N\"", "\"S\"");
        QCOMPARE(bench.read(name),
                 southWest + QByteArray(lineB).replace("\"N\"", "\"S\"").replace("\"E\"", "\"W\""));
        QCOMPARE(bench.read(second), QByteArray(lineC).replace("\"S\"", "").replace("\"E\"", ""));
        QCOMPARE(bench.read(third), QByteArray());
        QVERIFY(bench.displayHidden());
        QVERIFY(!bench.port.isOpen());
    }
};

QTEST_MAIN(TestOperationEngine)
#include "test_operation_engine.moc"
