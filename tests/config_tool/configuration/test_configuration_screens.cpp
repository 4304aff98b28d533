#include "config_tool/test_files.h"
#include "configuration/configuration_file.h"
#include "configuration/setup1.h"
#include "configuration/setup3.h"
#include "support/main_window_bench.h"
#include "support/valid_configuration.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QtTest>

// Check, Save and Load as the user meets them on setup1 and the controls of both screens.
namespace {
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

} // namespace

class TestConfigurationScreens : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    QString path(const char *name) const { return m_dir.filePath(QLatin1String(name)); }

    static Setup1 &screen(MainWindowBench &bench) { return *bench.window.setup1(); }
    // A control anywhere on a screen, also inside its groups.
    template <typename T> static T *field(QWidget *screen, const char *name)
    {
        return screen->findChild<T *>(QString::fromLatin1(name));
    }
    static void click(MainWindowBench &bench, const char *button)
    {
        QPushButton *b = bench.button(button, &screen(bench));
        QVERIFY(b);
        b->click();
    }
    static void choose(MainWindowBench &bench, const QString &file)
    {
        auto *text1 = field<QLineEdit>(&screen(bench), "Text1");
        QVERIFY(text1);
        text1->setText(file);
    }
    static QString versionCaption(MainWindowBench &bench)
    {
        return field<QLabel>(&screen(bench), "Label2")->text();
    }

private slots:
    void checkShowsEveryFailureThenTheVerdict_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QList<ShownMessage>>("expected");
        QTest::newRow("all texts empty")
            << "empty"
            << errors({"Invalid Base Phone number", "Invalid LAT1 Value", "Invalid LAT2 Value",
                       "Invalid LONG1 Value", "Invalid LONG2 Value", "Invalid LAT1 Value",
                       "Invalid LAT2 Value", "Invalid LONG1 Value", "Invalid LONG2 Value",
                       "Invalid IP address for UDP", "Invalid server IP address",
                       "Invalid GEO fencing delay", "Invalid GEO fencing sensitivity",
                       "Invalid Alarm input delay time", "Invalid GPS reading interval",
                       "Invalid UDP packet identification", "Invalid Existing Password"});
        QTest::newRow("valid") << "valid" << QList<ShownMessage>{configurationOk};
        // The overflow in row 3 ends the check: row 1's failure before it, nothing after.
        QTest::newRow("overflow") << "overflow"
                                  << errors({"Invalid Base Phone number", "Invalid Configuration"});
        QTest::newRow("Speed with its blank") << "speed" << errors({"Speed "});
    }
    void checkShowsEveryFailureThenTheVerdict()
    {
        QFETCH(QString, kind);
        QFETCH(QList<ShownMessage>, expected);
        MainWindowBench bench;
        if (kind == QLatin1String("empty")) {
            // Typed away on the screen: every text box of a setting emptied.
            for (const SettingDescriptor &d : settingDescriptors()) {
                if (d.screen == SettingDescriptor::Screen::Setup1 &&
                    d.kind == SettingDescriptor::Kind::Text)
                    field<QLineEdit>(&screen(bench), d.control)->clear();
            }
        } else {
            ConfigurationRecord record = TestSupport::validConfiguration();
            if (kind == QLatin1String("overflow")) {
                record.basePhoneNumber.clear();
                record.speedLimit = QStringLiteral("1E999");
                record.geoLat1 = QStringLiteral("95"); // would fail row 5
            } else if (kind == QLatin1String("speed")) {
                record.speedLimitTime = QStringLiteral("256");
            }
            QVERIFY(screen(bench).setConfiguration(record));
        }

        click(bench, "Command5");

        QCOMPARE(bench.boxes.shown, expected);
    }

    void saveThenLoadGivesTheScreensBack()
    {
        MainWindowBench bench;
        // The screens start with the designed values on both of them.
        choose(bench, path("start.cfg"));
        click(bench, "Command4");
        QCOMPARE(readFile(path("start.cfg")), configurationFileContent(ConfigurationRecord()));
        ConfigurationRecord record = TestSupport::validConfiguration();
        record.versionNumber = QStringLiteral("V6.3 from the unit\r\n");
        record.emailSendTo = QStringLiteral("fleet, north@example.com");
        record.geoFencingDelay = QStringLiteral(" 30");
        record.creditsLeft = -1;
        QVERIFY(screen(bench).setConfiguration(record));
        QCOMPARE(versionCaption(bench), record.versionNumber);
        choose(bench, path("round.cfg"));

        click(bench, "Command4");
        QCOMPARE(bench.boxes.shown, (QList<ShownMessage>{saved, saved}));

        // Back to other values on both screens, then Load.
        QVERIFY(screen(bench).setConfiguration(ConfigurationRecord()));
        click(bench, "Command1");

        QCOMPARE(bench.boxes.shown.size(), 2); // a load says nothing
        QCOMPARE(screen(bench).configuration(), record);
        QCOMPARE(versionCaption(bench), record.versionNumber);
        QCOMPARE(field<QLineEdit>(&screen(bench), "Text15")->text(), record.emailSendTo);
        QCOMPARE(field<QComboBox>(&screen(bench), "Combo6")->currentIndex(), -1);
        QCOMPARE(field<QComboBox>(bench.window.setup3(), "Combo4")->currentIndex(), 1);
        QCOMPARE(field<QLineEdit>(bench.window.setup3(), "Text2")->text(), record.adcTriggerLevel);
    }

    // A file failing at its last line: nothing of it reaches the screens.
    void failedLoadLeavesTheScreensUntouched()
    {
        QList<QByteArray> lines =
            configurationFileContent(TestSupport::validConfiguration()).split('\n');
        lines[50] = "7\r";
        QVERIFY(writeFile(path("partial.cfg"), lines.join('\n')));
        MainWindowBench bench;
        const ConfigurationRecord before = screen(bench).configuration();
        const QString caption = versionCaption(bench);
        choose(bench, path("partial.cfg"));

        click(bench, "Command1");

        QCOMPARE(bench.boxes.shown, errors({"Error loading file"}));
        QCOMPARE(screen(bench).configuration(), before);
        QCOMPARE(versionCaption(bench), caption);
    }

    // An empty path fails both ways; a double quote is refused before the file is touched.
    void saveAndLoadFailuresShowTheirBox()
    {
        QVERIFY(writeFile(path("kept.cfg"), "kept\r\n"));
        MainWindowBench bench;
        QVERIFY(screen(bench).setConfiguration(TestSupport::validConfiguration()));
        choose(bench, QString());
        click(bench, "Command4");
        click(bench, "Command1");
        QCOMPARE(bench.boxes.shown, (errors({"Invalid Path", "Error loading file"})));
        QCOMPARE(screen(bench).configuration(), TestSupport::validConfiguration());

        field<QLineEdit>(&screen(bench), "Text17")->setText(QStringLiteral("*99\"#"));
        choose(bench, path("kept.cfg"));
        click(bench, "Command4");

        QCOMPARE(bench.boxes.shown.size(), 3);
        const ShownMessage &box = bench.boxes.shown.last();
        QCOMPARE(box.title, QStringLiteral("Error"));
        QCOMPARE(box.icon, MessageIcon::Critical);
        QVERIFY2(box.prompt.contains(QLatin1String("GPRS dial up number")), qPrintable(box.prompt));
        QCOMPARE(readFile(path("kept.cfg")), QByteArray("kept\r\n"));
    }
};

QTEST_MAIN(TestConfigurationScreens)
#include "test_configuration_screens.moc"
