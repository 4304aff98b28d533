#include "common/command_line.h"
#include "common/console_lines.h"
#include "common/help_viewer.h"
#include "common/stop_signals.h"
#include "common/widgets/help_window.h"
#include "link/batch_run.h"
#include "link/gps_tracking.h"
#include "link/gpx_command.h"
#include "link/message_box.h"
#include "link/port_device_choice.h"
#include "link/port_map.h"
#include "link/qt_serial_port.h"
#include "link/serial_devices.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QSettings>
#include <QStyleFactory>

#include <cstdlib>
#include <cstring>
#include <map>

namespace {
constexpr int badCommandLine = int(BatchStatus::CommandLine);

// The batch operations, each with the step it runs.
struct BatchOption
{
    const char *name;
    const char *valueName; // nullptr: takes no value
    const char *description;
    BatchStep::Kind kind;
};
const BatchOption batchOptions[] = {
    {"download-config", "file", "Load the configuration file and download it into the unit.",
     BatchStep::Kind::DownloadConfiguration},
    {"upload-config", "file", "Upload the unit's configuration and save it to the file.",
     BatchStep::Kind::UploadConfiguration},
    {"upload-positions", nullptr,
     "Upload the unit's logged GPS positions into a new CSV file (its name is printed).",
     BatchStep::Kind::UploadPositions},
    {"download-table", "file", "Load the GPS location table file and download it into the unit.",
     BatchStep::Kind::DownloadTable},
    {"upload-table", "file", "Upload the unit's GPS location table and save it to the file.",
     BatchStep::Kind::UploadTable},
    {"check", "file", "Load the configuration file and check it.", BatchStep::Kind::Check},
};

bool isOption(const char *argument, const char *name)
{
    const size_t length = std::strlen(name);
    return std::strncmp(argument, "--", 2) == 0 && std::strncmp(argument + 2, name, length) == 0 &&
           (argument[2 + length] == '\0' || argument[2 + length] == '=');
}

// Whether the arguments name a batch operation or an option of one (or only ask for the help
// text): then no window is ever shown and none is needed.
bool runsWithoutWindow(int argc, char *argv[])
{
    for (int i = 1; i < argc; ++i) {
        for (const char *help :
             {"-h", "--help", "-?", "--help-all", "-v", "--version", "--list-ports"}) {
            if (std::strcmp(argv[i], help) == 0)
                return true;
        }
        for (const BatchOption &option : batchOptions) {
            if (isOption(argv[i], option.name))
                return true;
        }
        if (isOption(argv[i], "password") || isOption(argv[i], "connect-timeout"))
            return true;
    }
    return false;
}

[[noreturn]] void refuse(const QString &text)
{
    ConsoleLines::writeError(QStringLiteral("vortsetup: ") + text);
    std::exit(badCommandLine);
}

// The batch steps in the order of the command line.
QList<BatchStep> batchSteps(const QCommandLineParser &parser)
{
    QList<BatchStep> steps;
    std::map<QString, int> used;
    for (const QString &name : parser.optionNames()) {
        for (const BatchOption &option : batchOptions) {
            if (name != QLatin1String(option.name))
                continue;
            QString file;
            if (option.valueName)
                file = parser.values(name).value(used[name]++);
            steps.append({option.kind, file});
        }
    }
    return steps;
}

// The COM entry a batch run uses: the first one given a device, COM1 when none is.
int batchPortNumber(const QStringList &mappings)
{
    for (const QString &mapping : mappings) {
        bool ok = false;
        const int number = mapping.section(QLatin1Char('='), 0, 0).mid(3).toInt(&ok);
        if (ok && number > 0)
            return number;
    }
    return 1;
}
} // namespace

int main(int argc, char *argv[])
{
    // A GPX track from a position log needs neither a unit nor a display.
    if (const std::optional<int> status = runGpxCommand(argc, argv))
        return *status;
    const bool withoutWindow = runsWithoutWindow(argc, argv);
    if (withoutWindow)
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("vortsetup"));
    QApplication::setOrganizationName(QStringLiteral("VORT"));
    QApplication::setApplicationVersion(CommandLine::versionText("1.7"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Configuration tool of the VORT GPS tracking unit. With one or more of the batch "
        "operations it runs them in the order given, without a window, and exits with 0 on "
        "success; 3 port not available, 4 invalid password, 5 invalid configuration (--gpx: no "
        "usable position), 6 transfer "
        "failed, 7 file error, 8 stopped (SIGINT, SIGTERM), 9 no answer from the unit, 2 bad "
        "command line."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption portOption(
        QStringLiteral("port"),
        QStringLiteral("Puts a device behind a COM entry, e.g. COM1=/dev/ttyUSB0 (repeatable). "
                       "Batch operations use the first entry given (COM1 without one)."),
        QStringLiteral("COMk=device"));
    parser.addOption(portOption);
    for (const BatchOption &option : batchOptions) {
        parser.addOption(option.valueName
                             ? QCommandLineOption(QString::fromLatin1(option.name),
                                                  QString::fromLatin1(option.description),
                                                  QString::fromLatin1(option.valueName))
                             : QCommandLineOption(QString::fromLatin1(option.name),
                                                  QString::fromLatin1(option.description)));
    }
    const QCommandLineOption passwordOption(
        QStringLiteral("password"),
        QStringLiteral("Batch: the existing password for this run, in place of the one on the "
                       "configuration screen or in a loaded file."),
        QStringLiteral("text"));
    const QCommandLineOption connectTimeoutOption(
        QStringLiteral("connect-timeout"),
        QStringLiteral("Batch: how long the unit may take to answer the wake-up (0: no limit)."),
        QStringLiteral("seconds"), QStringLiteral("60"));
    parser.addOptions({passwordOption, connectTimeoutOption});
    // --gpx LOG.csv alone never gets here (runGpxCommand); these lines are for the help text.
    const QCommandLineOption gpxOption(
        QStringLiteral("gpx"),
        QStringLiteral("[LOG.csv] Write the GPX track of the position log LOG.csv (no unit "
                       "needed) or, with --upload-positions, of the log just uploaded, beside "
                       "it with \".gpx\" in place of \".csv\"."));
    const QCommandLineOption gpxOutOption(QStringLiteral("gpx-out"),
                                          QStringLiteral("With --gpx LOG.csv: the track's file."),
                                          QStringLiteral("file"));
    const QCommandLineOption listPortsOption(
        QStringLiteral("list-ports"),
        QStringLiteral("Lists the serial devices found (stable name, device, description)."));
    parser.addOptions({gpxOption, gpxOutOption, listPortsOption});
    // Tests only: a shorter tick than the unit's one second.
    QCommandLineOption tickOption(QStringLiteral("tick-ms"), QString(), QStringLiteral("ms"),
                                  QStringLiteral("1000"));
    tickOption.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOption(tickOption);
    if (!parser.parse(QApplication::arguments()))
        refuse(parser.errorText());
    if (parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("help-all")))
        parser.showHelp(0);
    if (parser.isSet(QStringLiteral("version")))
        parser.showVersion();

    const SystemSerialDevices devices;
    if (parser.isSet(listPortsOption)) {
        const QList<SerialDevice> found = devices.devices();
        for (const SerialDevice &device : found)
            ConsoleLines::write(device.line());
        if (found.isEmpty())
            ConsoleLines::writeError(QStringLiteral("vortsetup: no serial device found"));
        return 0;
    }

    PortMap map;
    for (const QString &mapping : parser.values(portOption)) {
        if (!map.addMapping(mapping))
            refuse(QStringLiteral("--port expects COMk=device, not \"%1\"").arg(mapping));
    }
    bool ok = false;
    const int tickMs = parser.value(tickOption).toInt(&ok);
    if (!ok || tickMs <= 0)
        refuse(QStringLiteral("--tick-ms expects a positive number"));

    QtSerialPort port(map);
    // The devices chosen in the window, remembered between runs; --port wins for its entries.
    QSettings settings;
    PortDeviceChoice choice(port.portMap(), devices, &settings);
    choice.load();
    port.setOpenFailureNote([&choice](int portNumber) { return choice.adapterHint(portNumber); });
    if (withoutWindow) {
        const QList<BatchStep> steps = batchSteps(parser);
        if (steps.isEmpty())
            refuse(QStringLiteral("--password and --connect-timeout need a batch operation"));
        BatchRun::Options options;
        if (parser.isSet(passwordOption))
            options.password = parser.value(passwordOption);
        options.portNumber = batchPortNumber(parser.values(portOption));
        options.connectTimeoutSeconds = parser.value(connectTimeoutOption).toInt(&ok);
        if (!ok || options.connectTimeoutSeconds < 0)
            refuse(QStringLiteral("--connect-timeout expects a number of seconds"));
        if (parser.isSet(gpxOutOption))
            refuse(QStringLiteral("--gpx-out goes with --gpx LOG.csv"));
        options.gpxTrack = parser.isSet(gpxOption);

        // The window and its screens exist, hidden, for the engine and the screens' buttons.
        BatchMessages messages;
        GPStracking window({&port, &messages, nullptr, tickMs});
        BatchRun run(window, messages, options);
        StopSignals stop;
        QObject::connect(&stop, &StopSignals::stopRequested, &run, &BatchRun::requestStop);
        return int(run.run(steps));
    }

    // A style that paints the menu's button colours on every platform.
    if (QStyle *style = QStyleFactory::create(QStringLiteral("Fusion")))
        QApplication::setStyle(style);
    WidgetMessageBoxes messages;
    SystemHelpViewer help(HelpWindow::showText);
    GPStracking window({&port, &messages, &help, tickMs, &choice});
    messages.setParent(&window);
    window.show();
    return app.exec();
}
