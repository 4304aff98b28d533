// The serial line: settings texts, COM entries, the devices they attach to, and its writes.
#include "link/line_settings.h"
#include "link/port_device_choice.h"
#include "link/port_map.h"
#include "link/qt_serial_port.h"
#include "support/accessibility_walk.h"
#include "support/program_process.h"
#include "support/recording_fakes.h"
#include "support/vortsim_process.h"
#include "windows/gps_tracking.h"
#include "windows/port_device_dialog.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

namespace {
// The system as a test wants it.
class StandInDevices : public SerialDeviceFinder
{
public:
    QList<SerialDevice> devices() const override { return found; }
    bool exists(const QString &device) const override { return present.contains(device); }
    QList<SerialDevice> found;
    QStringList present;
};

const SerialDevice adapter{QStringLiteral("/dev/ttyUSB0"),
                           QStringLiteral("/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A9-if00"),
                           QStringLiteral("FT232R USB UART"), true};
const SerialDevice secondAdapter{QStringLiteral("/dev/ttyACM0"), QString(),
                                 QStringLiteral("USB ACM"), true};
const ShownMessage notAvailable{
    QStringLiteral("COM: not available. Change the CommPort property to another port."),
    QStringLiteral("ERROR"), MessageIcon::None};
const SerialDevice builtIn{QStringLiteral("/dev/ttyS4"), QString(), QString(), false};
} // namespace

class TestPortDevices : public QObject
{
    Q_OBJECT
private slots:
    void hintsAtALoneAdapter()
    {
        // What is missing, which adapter, and both ways to attach it.
        const QString text =
            PortMap::defaultDevice(1) +
            QStringLiteral(" does not exist, but one USB serial adapter is present: "
                           "%1 (FT232R USB UART). Attach it to COM1 with \"Serial "
                           "device...\" or --port COM1=%1.")
                .arg(adapter.stableName);
        // The devices found; "ttyS0": it exists, "chosen" or "run": a device is behind COM1.
        const std::tuple<QList<SerialDevice>, QString, bool> rows[] = {
            {{adapter}, "", true},          // no ttyS0, one adapter: the hint
            {{builtIn, adapter}, "", true}, // beside a built-in port
            {{adapter}, "ttyS0", false},    {{adapter, secondAdapter}, "", false}, // two adapters
            {{builtIn}, "", false},                                                // no adapter
            {{adapter}, "chosen", false},   {{adapter}, "run", false}};            // --port given
        for (const auto &[found, setup, hint] : rows) {
            StandInDevices system;
            system.found = found;
            if (setup == QLatin1String("ttyS0"))
                system.present << PortMap::defaultDevice(1);
            PortMap map;
            if (setup == QLatin1String("chosen"))
                map.choose(1, QStringLiteral("/dev/ttyACM3"));
            else if (setup == QLatin1String("run"))
                QVERIFY(map.addMapping(QStringLiteral("COM1=/dev/ttyACM3")));
            PortDeviceChoice choice(map, system, nullptr);
            QCOMPARE(choice.adapterHint(1), hint ? text : QString());
            QCOMPARE(choice.toolTip(1), hint ? map.device(1) + u'\n' + text : map.device(1));
        }
    }

    void findsTheStableNameOfAPseudoTerminal()
    {
        const int terminal = posix_openpt(O_RDWR | O_NOCTTY);
        QVERIFY(terminal >= 0);
        QVERIFY(grantpt(terminal) == 0 && unlockpt(terminal) == 0);
        const QString device = QString::fromLocal8Bit(ptsname(terminal));
        QTemporaryDir byId;
        const QString link = byId.filePath(QStringLiteral("usb-VORT_Test_Adapter-if00-port0"));
        QVERIFY(QFile::link(device, link));
        QVERIFY(QFile::link(byId.filePath("gone"), byId.filePath("usb-Unplugged-if00")));
        const QMap<QString, QString> names = SystemSerialDevices::stableNames(byId.path());
        ::close(terminal);
        QCOMPARE(names, (QMap<QString, QString>{{device, link}}));

        const SerialDevice found{device, link, QStringLiteral("Test Adapter"), true};
        QCOMPARE(found.line(), link + " (" + device + ")  Test Adapter");
    }

    // The entry chosen in the list, and the device put behind it by its path (the simulated
    // unit's pseudo-terminal, which no list shows), are both there again at the next start.
    void attachesAnEntryToADeviceAndKeepsIt()
    {
        VortsimProcess unit;
        QVERIFY(unit.start());
        QTemporaryDir dir;
        const QString plainFile = dir.filePath(QStringLiteral("notes.txt"));
        QVERIFY(QFile(plainFile).open(QIODevice::WriteOnly));
        StandInDevices system;
        const SerialDevice own{PortMap::defaultDevice(3), QString(), QStringLiteral("16550A"),
                               false};
        system.found = {builtIn, own};
        system.present = {unit.device(), plainFile, dir.path()};
        QSettings settings(dir.filePath(QStringLiteral("vortsetup.conf")), QSettings::IniFormat);
        QtSerialPort port;
        PortDeviceChoice choice(port.portMap(), system, &settings);
        choice.load();
        RecordingMessageBoxes boxes;
        GPStracking window({&port, &boxes, nullptr, 100, &choice});
        QStringList unnamed = unnamedInteractiveControls(&window); // and the dialog's below
        auto *list = window.findChild<QListWidget *>(QStringLiteral("List2"));
        emit list->itemDoubleClicked(list->item(2)); // COM3

        // Each typed path, and what the dialog says of it while it stays open.
        const std::pair<QString, QString> typed[] = {
            {"/dev/rfcomm9", "/dev/rfcomm9 does not exist."},
            {plainFile, plainFile + " is not a serial device."},
            {dir.path(), dir.path() + " is not a serial device."},
            {unit.device(), ""}};
        // The button returns with the dialog open (modal, without a loop of its own).
        window.findChild<QPushButton *>(QStringLiteral("portDeviceButton"))->click();
        {
            QPointer dialog = qobject_cast<PortDeviceDialog *>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            QCOMPARE(dialog->windowTitle(), QStringLiteral("Serial device for COM3"));
            unnamed += unnamedInteractiveControls(dialog);
            // The entry's own device once, as the default; then the others.
            QStringList lines;
            const auto *devices = dialog->findChild<QListWidget *>(QStringLiteral("deviceList"));
            for (int row = 0; row < devices->count(); ++row)
                lines << devices->item(row)->text();
            QCOMPARE(lines, (QStringList{"Default: " + own.line(), builtIn.line()}));
            auto *path = dialog->findChild<QLineEdit *>(QStringLiteral("devicePath"));
            auto *problem = dialog->findChild<QLabel *>(QStringLiteral("devicePathProblem"));
            for (const auto &[text, refusal] : typed) {
                path->setText(text);
                dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
                QCOMPARE(dialog->isVisible(), !refusal.isEmpty());
                QCOMPARE(problem->text(), refusal);
            }
            QTRY_VERIFY(dialog.isNull()); // deleted once closed
        }
        QCOMPARE(unnamed, QStringList());
        QCOMPARE(list->item(2)->toolTip(), unit.device());

        // The unit answers on the device attached: the position log is empty.
        QSignalSpy ended(&window.session(), &UnitSession::finished);
        window.startOperation(2);
        QVERIFY(ended.wait(20000));
        QCOMPARE(boxes.shown.size(), 1);
        QCOMPARE(boxes.shown[0].prompt, QStringLiteral("No GPS locations to download !"));

        // A later run finds the entry and its device again; --port still wins for its own run.
        PortMap later;
        PortDeviceChoice laterChoice(later, system, &settings);
        laterChoice.load();
        QCOMPARE(later.device(3), unit.device());
        GPStracking laterWindow({&port, &boxes, nullptr, 100, &laterChoice});
        QCOMPARE(laterWindow.portIndex(), 2);
        QCOMPARE(laterWindow.findChild<QLabel *>(QStringLiteral("Label2"))->text(),
                 QStringLiteral("COM3 Selected"));
        PortMap overridden;
        QVERIFY(overridden.addMapping(QStringLiteral("COM3=/dev/ttyUSB7")));
        PortDeviceChoice runChoice(overridden, system, &settings);
        runChoice.load();
        QCOMPARE(overridden.device(3), QStringLiteral("/dev/ttyUSB7"));
        QCOMPARE(overridden.chosen(3), unit.device());
    }

    void listsThePortsFromTheCommandLine()
    {
        ProgramProcess vortsetup(QStringLiteral(VORTSETUP_PATH), {QStringLiteral("--list-ports")});
        QVERIFY(vortsetup.start());
        QVERIFY(vortsetup.waitForExit());
        QCOMPARE(vortsetup.exitCode(), 0);
        // Each device on a line of its own, or one line saying there is none.
        const QStringList lines = vortsetup.lines();
        QCOMPARE(lines.filter(QRegularExpression(QStringLiteral("^(/|COM)"))), lines);
        if (lines.isEmpty())
            QVERIFY(vortsetup.standardError().contains(QLatin1String("no serial device found")));
    }

    void readsSettingsTextsAndComEntries()
    {
        // The speed and stop bits (15: one and a half) each text gives; speed 0: refused.
        const std::tuple<const char *, int, int> rows[] = {
            {"9600,N,8,1", 9600, 1},    {"38400,N,8,1", 38400, 1}, {"1200,e,7,2", 1200, 2},
            {"4800,N,8,1.5", 4800, 15}, {"9600,N,8", 0, 0},        {"9600,X,8,1", 0, 0},
            {"fast,N,8,1", 0, 0},       {"9600,N,9,1", 0, 0}};
        for (const auto &[text, baud, stopBits] : rows) {
            const auto settings = LineSettings::parse(QString::fromLatin1(text));
            QVERIFY2(settings.has_value() == (baud > 0), text);
            if (settings)
                QCOMPARE(std::pair(settings->baudRate, settings->stopBits),
                         std::pair(baud, stopBits));
        }

        // COM entries given as COMn=device.
        PortMap map;
        QVERIFY(map.addMapping(QStringLiteral("COM1=/dev/ttyUSB0")));
        QVERIFY(map.addMapping(QStringLiteral("com12=/dev/pts/7")));
        for (const char *refused : {"COM0=/dev/x", "/dev/ttyUSB0", "COM3="})
            QVERIFY2(!map.addMapping(QString::fromLatin1(refused)), refused);
        QCOMPARE(map.device(1), QStringLiteral("/dev/ttyUSB0"));
        QCOMPARE(map.device(12), QStringLiteral("/dev/pts/7"));
#if defined(Q_OS_WIN)
        QCOMPARE(map.device(2), QStringLiteral("COM2"));
#else
        QCOMPARE(map.device(2), QStringLiteral("/dev/ttyS1"));
#endif
    }

    void missingDeviceGivesTheMessage()
    {
        PortMap map;
        map.addMapping(QStringLiteral("COM2=/nonexistent/ttyVORT"));
        QtSerialPort port(map);
        // What the port choice knows about the entry ends the line on standard error.
        port.setOpenFailureNote([](int portNumber) {
            return portNumber == 2 ? QStringLiteral("Try the adapter.") : QString();
        });
        RecordingMessageBoxes boxes;
        GPStracking window({&port, &boxes, nullptr, 100});
        window.engine().context().portIndex = 1;
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression(QStringLiteral(
                                 "^COM2: /nonexistent/ttyVORT: .*\\. Try the adapter\\.$")));

        window.startOperation(0);

        QCOMPARE(boxes.shown, QList<ShownMessage>{notAvailable});
        // The system's reason goes with the box, for one who never sees standard error.
        QCOMPARE(boxes.details, QStringList{port.errorString()});
        QVERIFY(!port.isOpen());
        QVERIFY(port.errorString().startsWith(QStringLiteral("/nonexistent/ttyVORT")));
        // A settings text the line cannot take is refused before the device is asked.
        QVERIFY(!port.setSettings(QStringLiteral("38400")));
    }

    // Closing drains: the other end reads the last characters written with the line still at
    // the operation's settings (a pseudo-terminal starts at 38400 bit/s).
    void closingKeepsTheSettingsForTheLastCharacters()
    {
        const int master = posix_openpt(O_RDWR | O_NOCTTY);
        QVERIFY(master >= 0);
        QVERIFY(grantpt(master) == 0 && unlockpt(master) == 0);
        PortMap map;
        QVERIFY(map.addMapping(QStringLiteral("COM1=") + QString::fromLocal8Bit(ptsname(master))));
        QtSerialPort port(map);
        QVERIFY2(port.open(1, QStringLiteral("9600,N,8,1")), qPrintable(port.errorString()));
        QVERIFY(port.write("1N"));

        port.close();

        char last[8] = {};
        QCOMPARE(read(master, last, sizeof last), ssize_t(2));
        termios seen{};
        QVERIFY(tcgetattr(master, &seen) == 0);
        close(master);
        QCOMPARE(QByteArray(last), QByteArray("1N"));
        QCOMPARE(cfgetospeed(&seen), speed_t(B9600));
        QVERIFY(!port.write("N"));
    }

    // Whatever the mix of direct and queued writes, the characters arrive complete and in order.
    void deliversEverythingInOrder()
    {
        const int master = posix_openpt(O_RDWR | O_NOCTTY);
        QVERIFY(master >= 0);
        QVERIFY(grantpt(master) == 0 && unlockpt(master) == 0);
        termios settings{};
        QVERIFY(tcgetattr(master, &settings) == 0);
        cfmakeraw(&settings);
        QVERIFY(tcsetattr(master, TCSANOW, &settings) == 0);
        fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);

        PortMap map;
        QVERIFY(map.addMapping(QStringLiteral("COM1=") + QString::fromLocal8Bit(ptsname(master))));
        QtSerialPort port(map);
        QVERIFY2(port.open(1, QStringLiteral("9600,N,8,1")), qPrintable(port.errorString()));

        // Each write the alphabet from its own letter on, so a chunk out of place shows.
        const QByteArray alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
        QByteArray sent;
        // One character at a time; then far more than a pseudo-terminal takes, so the rest is
        // queued and what follows waits; then two large writes.
        for (const int size : {1, 1, 1, 1, 100000, 1, 7, 70000, 70000}) {
            const QByteArray data = alphabet.repeated(size / 26 + 2).mid(sent.size() % 26, size);
            port.write(data);
            sent += data;
        }

        QByteArray received;
        const auto readAll = [&] {
            char buffer[4096];
            for (ssize_t n = 0; (n = read(master, buffer, sizeof buffer)) > 0;)
                received.append(buffer, n);
            return received.size();
        };
        QTRY_COMPARE_WITH_TIMEOUT(readAll(), sent.size(), 10000);
        port.close();
        close(master);
        QVERIFY(received == sent);
    }
};

QTEST_MAIN(TestPortDevices)
#include "test_port_devices.moc"
