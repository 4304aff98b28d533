#include "configuration/setup1.h"
#include "configuration/setup3.h"
#include "location_table/setup2.h"
#include "support/accessibility_walk.h"
#include "support/main_window_bench.h"

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTableWidget>
#include <QtTest>

namespace {
QRect twipsRect(const QWidget &window, int left, int top, int width, int height)
{
    const int x = window.logicalDpiX();
    const int y = window.logicalDpiY();
    return QRect(GPStracking::twipsToPixels(left, x), GPStracking::twipsToPixels(top, y),
                 GPStracking::twipsToPixels(width, x), GPStracking::twipsToPixels(height, y));
}

QRect itemRect(QListWidget *list, int row)
{
    return list->visualItemRect(list->item(row));
}
} // namespace

class TestMainMenu : public QObject
{
    Q_OBJECT
private slots:
    void startsLikeTheDesign()
    {
        MainWindowBench bench;
        QCOMPARE(bench.window.windowTitle(),
                 QStringLiteral("GPS Tracking configuration menu (V1.7 - VORT VOICE)-21-6-2005"));
        QCOMPARE(bench.window.size(), twipsRect(bench.window, 0, 0, 9330, 6750).size());
        const struct
        {
            const char *name;
            const char *text;
            QPoint twips;
        } labels[] = {{"Label1", "GPS tracking system configuration main menu :", {360, 0}},
                      {"Label2", "COM1 Selected", {240, 2760}},
                      {"Label4", "Locations Downloaded :", {5400, 2760}},
                      {"Label3", "0", {7680, 2760}}};
        for (const auto &l : labels) {
            auto *label = bench.control<QLabel>(l.name);
            QCOMPARE(label->text(), QString::fromLatin1(l.text));
            QCOMPARE(label->pos(),
                     twipsRect(bench.window, l.twips.x(), l.twips.y(), 0, 0).topLeft());
        }
        QVERIFY(bench.control("Label3")->isHidden());
        QVERIFY(bench.control("Label4")->isHidden());
        QVERIFY(bench.control("List2")->isHidden());
        for (const char *status :
             {"Command5", "Command8", "Command9", "Command11", "Command15", "Command16"})
            QVERIFY(bench.control(status)->isHidden());
        QCOMPARE(bench.window.portIndex(), 0);
        QCOMPARE(bench.window.clock().tickCount(), 0);
        QCOMPARE(bench.window.clock().objectName(), QStringLiteral("Timer1"));
        QCOMPARE(bench.window.configurationImage().size(), 256);
        // The colours group the buttons.
        const QColor blue = bench.button("Command6")->palette().color(QPalette::Button);
        QCOMPARE(bench.button("Command1")->palette().color(QPalette::Button), blue);
        QCOMPARE(bench.button("Command7")->palette().color(QPalette::Button), blue);
        QCOMPARE(bench.button("Command3")->palette().color(QPalette::Button), QColor(Qt::red));
        QVERIFY(bench.button("Command3")->font().bold());
    }

    void screensGetStartingValues()
    {
        MainWindowBench bench;
        Setup1 *setup1 = bench.window.setup1();
        QCOMPARE(setup1->windowTitle(), QStringLiteral("Current Configuration"));
        QVERIFY(setup1->isHidden());
        for (const SettingDescriptor &d : settingDescriptors()) {
            SettingControls &screen = d.screen == SettingDescriptor::Screen::Setup1
                                          ? setup1->settings()
                                          : bench.window.setup3()->settings();
            QVERIFY2(screen.control(d.number), d.name);
            if (d.kind == SettingDescriptor::Kind::List) {
                QCOMPARE(screen.readIndex(d.number), 0);
                auto *list = qobject_cast<QComboBox *>(screen.control(d.number));
                QStringList items;
                for (int i = 0; i < list->count(); ++i)
                    items.append(list->itemText(i));
                QCOMPARE(items, *d.items);
            }
        }
        const ConfigurationRecord fresh;
        ConfigurationRecord onScreens = setup1->record();
        bench.window.setup3()->copyTo(onScreens);
        QCOMPARE(onScreens, fresh); // "6048", "V6.X", "0", "0" and empty texts
        QCOMPARE(setup1->existingPassword(), QStringLiteral("6048"));
        QCOMPARE(bench.window.setup3()->windowTitle(), QStringLiteral("Voice/ ADC Configuration"));
        QVERIFY(bench.window.setup3()->findChild<QLineEdit *>(QStringLiteral("Text1")));
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

        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, itemRect(list, 4).center());
        QCOMPARE(list->currentRow(), 4);
        QVERIFY(list->isVisible());
        QCOMPARE(bench.control<QLabel>("Label2")->text(), QStringLiteral("COM1 Selected"));
        QCOMPARE(bench.window.portIndex(), 0);
        bench.button("Command4")->click();
        QCOMPARE(list->currentRow(), 0);

        list->scrollToItem(list->item(11));
        const QPoint last = itemRect(list, 11).center();
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

        // The walk finds a list and a box that nothing names.
        QWidget bare;
        (new QComboBox(&bare))->setObjectName(QStringLiteral("bareList"));
        (new QLineEdit(&bare))->setObjectName(QStringLiteral("bareBox"));
        (new QPushButton(QStringLiteral("OK"), &bare))->setObjectName(QStringLiteral("ok"));
        const QStringList unnamed = unnamedInteractiveControls(&bare);
        QCOMPARE(unnamed.size(), 2);
        QVERIFY(unnamed[0].startsWith(QLatin1String("bareList")));
        QVERIFY(unnamed[1].startsWith(QLatin1String("bareBox")));
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
