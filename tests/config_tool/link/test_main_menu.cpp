#include "configuration/setup1.h"
#include "configuration/setup3.h"
#include "location_table/setup2.h"
#include "support/accessibility_walk.h"
#include "support/main_window_bench.h"

#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QTableWidget>
#include <QtTest>

class TestMainMenu : public QObject
{
    Q_OBJECT
private slots:
    void startsLikeTheDesign()
    {
        MainWindowBench bench;
        QCOMPARE(bench.window.windowTitle(),
                 QStringLiteral("GPS Tracking configuration menu (V1.7 - VORT VOICE)-21-6-2005"));
        QCOMPARE(bench.control<QLabel>("Label1")->text(),
                 QStringLiteral("GPS tracking system configuration main menu :"));
        QCOMPARE(bench.control<QLabel>("Label2")->text(), QStringLiteral("COM1 Selected"));
        QCOMPARE(bench.control<QLabel>("Label4")->text(), QStringLiteral("Locations Downloaded :"));
        for (const char *hidden : {"Label3", "Label4", "List2", "Command5", "Command8", "Command9",
                                   "Command11", "Command15", "Command16"})
            QVERIFY2(bench.control(hidden)->isHidden(), hidden);
        QCOMPARE(bench.window.portIndex(), 0);
        QCOMPARE(bench.window.clock().tickCount(), 0);
        QCOMPARE(bench.window.configurationImage().size(), 256);
        // A static library drops unregistered resources: the sky and the road must differ.
        const QImage picture = bench.control<QLabel>("Picture1")->pixmap().toImage();
        QCOMPARE(picture.size(), QSize(600, 204));
        QVERIFY(picture.pixelColor(300, 2) != picture.pixelColor(300, 200));

        Setup1 *setup1 = bench.window.setup1();
        QCOMPARE(setup1->windowTitle(), QStringLiteral("Current Configuration"));
        QVERIFY(setup1->isHidden());
        ConfigurationRecord onScreens = setup1->record();
        bench.window.setup3()->copyTo(onScreens);
        QCOMPARE(onScreens, ConfigurationRecord()); // "6048", "V6.X", "0", "0" and empty texts
        QCOMPARE(setup1->existingPassword(), QStringLiteral("6048"));
        QCOMPARE(bench.window.setup3()->windowTitle(), QStringLiteral("Voice/ ADC Configuration"));
        QCOMPARE(bench.window.setup2()->cellText(1), QStringLiteral("255"));
        QCOMPARE(bench.window.setup2()->cellText(297), QStringLiteral("99"));
    }

    void portListChoosesOnDoubleClickOnly()
    {
        MainWindowBench bench;
        bench.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&bench.window));
        auto *list = bench.control<QListWidget>("List2");
        QCOMPARE(list->count(), 12);
        QCOMPARE(list->item(11)->text(), QStringLiteral("COM12"));
        QCOMPARE(list->item(4)->toolTip(), bench.port.deviceName(5));

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

    void screensOpenModallyAndKeepTheirValues_data()
    {
        QTest::addColumn<QString>("menuButton");
        QTest::addColumn<QString>("screen");
        QTest::addColumn<int>("setting"); // a text setting of the screen
        QTest::newRow("configuration") << "Command6"
                                       << "setup1" << 4;
        QTest::newRow("voice and ADC") << "Command17"
                                       << "setup3" << 49;
    }
    void screensOpenModallyAndKeepTheirValues()
    {
        QFETCH(QString, menuButton);
        QFETCH(QString, screen);
        QFETCH(int, setting);
        MainWindowBench bench;
        bench.window.show();
        SettingControls &settings = screen == QLatin1String("setup1")
                                        ? bench.window.setup1()->settings()
                                        : bench.window.setup3()->settings();
        auto *dialog = bench.window.findChild<QDialog *>(screen);
        const auto visit = [&](const std::function<void()> &whileShown) {
            bool wasModal = false;
            QTimer::singleShot(0, dialog, [&] {
                wasModal = QApplication::activeModalWidget() == dialog;
                whileShown();
                bench.button("Command2", dialog)->click(); // RETURN MAIN MENU
            });
            bench.button(menuButton.toLatin1().constData())->click();
            QVERIFY(wasModal);
            QVERIFY(dialog->isHidden());
        };
        visit([&] { settings.writeText(setting, QStringLiteral("45")); });
        QString seen;
        visit([&] { seen = settings.readText(setting); });
        QCOMPARE(seen, QStringLiteral("45"));
    }

    void everyControlHasAName()
    {
        MainWindowBench bench;
        for (QWidget *window :
             std::initializer_list<QWidget *>{&bench.window, bench.window.setup1(),
                                              bench.window.setup2(), bench.window.setup3()}) {
            const QStringList unnamed = unnamedInteractiveControls(window);
            QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(QStringLiteral(", "))));
        }

        // What a screen reader says for the controls whose captions are shared or absent.
        const auto spoken = [&bench](QWidget *screen, const char *name) {
            auto *control = screen->findChild<QWidget *>(QString::fromLatin1(name));
            return QAccessible::queryAccessibleInterface(control)->text(QAccessible::Name);
        };
        QWidget *setup1 = bench.window.setup1();
        QCOMPARE(spoken(setup1, "Text1"), QStringLiteral("File Selected :"));
        QCOMPARE(spoken(bench.window.setup2(), "Text1"), QStringLiteral("File Selected :"));
        QCOMPARE(spoken(setup1, "Text24"), QStringLiteral("LAT2"));
        QCOMPARE(spoken(setup1, "Text23"), QStringLiteral("LONG2"));
        QCOMPARE(setup1->findChild<QWidget *>(QStringLiteral("Combo10"))->accessibleName(),
                 QStringLiteral("LONG1 E/W"));
        auto *grid = bench.window.setup2()->findChild<QTableWidget *>();
        QCOMPARE(QAccessible::queryAccessibleInterface(grid)->text(QAccessible::Description),
                 grid->toolTip());
    }

    void helpOpensInfoText()
    {
        MainWindowBench bench;
        bench.button("Command2")->click();
        bench.button("Command3", bench.window.setup1())->click();
        QCOMPARE(bench.help.opened, QStringList({"info.txt", "info.txt"}));
    }

    void exitClosesAPortLeftOpen()
    {
        MainWindowBench bench;
        bench.window.show();
        QVERIFY(bench.port.open(1, QStringLiteral("9600,N,8,1")));
        bench.button("Command3")->click();
        QVERIFY(!bench.port.isOpen());
        QVERIFY(!bench.window.isVisible());
        QCOMPARE(bench.boxes.shown, QList<ShownMessage>{});
    }
};

QTEST_MAIN(TestMainMenu)
#include "test_main_menu.moc"
