#include "batch/batch_run.h"
#include "batch/gpx_command.h"
#include "common/command_line.h"
#include "common/console_lines.h"
#include "common/data_folder.h"
#include "common/help_viewer.h"
#include "common/stop_signals.h"
#include "common/widgets/help_window.h"
#include "link/port_device_choice.h"
#include "link/port_map.h"
#include "link/qt_serial_port.h"
#include "link/serial_devices.h"
#include "session/unit_session.h"
#include "windows/gps_tracking.h"
#include "windows/message_boxes.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QSettings>
#include <QStyleFactory>

#include <cstdlib>
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
// The command line of vortsetup: read before any application object exists, so that help,
// version and a mistyped option answer on a machine without a display.
struct Arguments
{
    QCommandLineParser parser;
    QCommandLineOption port{QStringLiteral("port"),
                            QStringLiteral("Puts a device behind a COM entry, e.g. "
                                           "COM1=/dev/ttyUSB0 (repeatable). Batch operations use "
                                           "the first entry given (COM1 without one)."),
                            QStringLiteral("COMk=device")};
    QCommandLineOption password{
        QStringLiteral("password"),
        QStringLiteral("Batch: the existing password for this run, in place of the one on the "
                       "configuration screen or in a loaded file."),
        QStringLiteral("text")};
    QCommandLineOption connectTimeout{
        QStringLiteral("connect-timeout"),
        QStringLiteral("Batch: how long the unit may take to answer the wake-up (0: no limit)."),
        QStringLiteral("seconds"), QStringLiteral("60")};
    // Tests only: a shorter tick than the unit's one second.
    QCommandLineOption tick{QStringLiteral("tick-ms"), QString(), QStringLiteral("ms"),
                            QStringLiteral("1000")};
    // --gpx LOG.csv alone never gets here (runGpxCommand); these lines are for the help text.
    QCommandLineOption gpx{QStringLiteral("gpx"),
                           QStringLiteral("[LOG.csv] Write the GPX track of the position log "
                                          "LOG.csv (no unit needed) or, with --upload-positions, "
                                          "of the log just uploaded, beside it with \".gpx\" in "
                                          "place of \".csv\".")};
    QCommandLineOption gpxOut{QStringLiteral("gpx-out"),
                              QStringLiteral("With --gpx LOG.csv: the track's file."),
                              QStringLiteral("file")};
    QCommandLineOption dataFolder{
        QStringLiteral("data-folder"),
        QStringLiteral("Work in the user's data folder of the tool set (%1, created when "
                       "missing): position logs and files named without a folder go there. The "
                       "menu entry starts vortsetup so.")
            .arg(QDir::toNativeSeparators(DataFolder::path()))};
    QCommandLineOption listPorts{
        QStringLiteral("list-ports"),
        QStringLiteral("Lists the serial devices found (stable name, device, description).")};

    bool parsed = false;
    PortMap map;
    int tickMs = 1000;
    QList<BatchStep> steps;

    explicit Arguments(const QStringList &arguments)
    {
        parser.setApplicationDescription(QStringLiteral(
            "Configuration tool of the VORT GPS tracking unit. With one or more of the batch "
            "operations it runs them in the order given, without a window, and exits with 0 on "
            "success; 3 port not available, 4 invalid password, 5 invalid configuration (--gpx: "
            "no usable position), 6 transfer failed, 7 file error, 8 stopped (SIGINT, SIGTERM), 9 "
            "no answer from the unit, 10 the serial device went away, 2 bad command line."));
        parser.addHelpOption();
        parser.addVersionOption();
        parser.addOption(port);
        for (const BatchOption &option : batchOptions) {
            parser.addOption(option.valueName
                                 ? QCommandLineOption(QString::fromLatin1(option.name),
                                                      QString::fromLatin1(option.description),
                                                      QString::fromLatin1(option.valueName))
                                 : QCommandLineOption(QString::fromLatin1(option.name),
                                                      QString::fromLatin1(option.description)));
        }
        parser.addOptions({password, connectTimeout, gpx, gpxOut, listPorts, dataFolder});
        tick.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(tick);
        CommandLine::acceptWindowSystemOptions(parser);
        parsed = parser.parse(arguments);
        if (parsed)
            steps = batchSteps(parser);
    }

    bool asksForText() const
    {
        return parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("help-all")) ||
               parser.isSet(QStringLiteral("version"));
    }
    // A batch run, or a line that only prints: then no window is ever shown and none is needed.
    bool runsWithoutWindow() const
    {
        return !parsed || asksForText() || !steps.isEmpty() || parser.isSet(password) ||
               parser.isSet(connectTimeout) || parser.isSet(gpx) || parser.isSet(gpxOut) ||
               parser.isSet(listPorts);
    }

    // Refuses (exit 2) what cannot be followed; help and version print and end here.
    void settle()
    {
        if (!parsed)
            refuse(parser.errorText());
        if (parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("help-all")))
            parser.showHelp(0);
        if (parser.isSet(QStringLiteral("version")))
            parser.showVersion();
        for (const QString &mapping : parser.values(port)) {
            if (!map.addMapping(mapping))
                refuse(QStringLiteral("--port expects COMk=device, not \"%1\"").arg(mapping));
        }
        bool ok = false;
        tickMs = parser.value(tick).toInt(&ok);
        if (!ok || tickMs <= 0)
            refuse(QStringLiteral("--tick-ms expects a positive number"));
        if (parser.isSet(dataFolder) && !DataFolder::enter())
            refuse(QStringLiteral("cannot work in %1.")
                       .arg(QDir::toNativeSeparators(DataFolder::path())));
    }
};

int runBatch(Arguments &line, QtSerialPort &port)
{
    if (line.steps.isEmpty())
        refuse(QStringLiteral("--password and --connect-timeout need a batch operation"));
    BatchRun::Options options;
    if (line.parser.isSet(line.password))
        options.password = line.parser.value(line.password);
    options.portNumber = batchPortNumber(line.parser.values(line.port));
    bool ok = false;
    options.connectTimeoutSeconds = line.parser.value(line.connectTimeout).toInt(&ok);
    if (!ok || options.connectTimeoutSeconds < 0)
        refuse(QStringLiteral("--connect-timeout expects a number of seconds"));
    if (line.parser.isSet(line.gpxOut))
        refuse(QStringLiteral("--gpx-out goes with --gpx LOG.csv"));
    options.gpxTrack = line.parser.isSet(line.gpx);

    UnitSession session(port, line.tickMs);
    BatchRun run(session, options);
    StopSignals stop;
    QObject::connect(&stop, &StopSignals::stopRequested, &run, &BatchRun::requestStop);
    QObject::connect(&run, &BatchRun::finished, &run,
                     [](BatchStatus status) { QCoreApplication::exit(int(status)); });
    run.start(line.steps);
    return QCoreApplication::exec();
}

// Qt's own notes (a missing runtime directory and the like) are no business of a script reading
// the batch's lines; the program's own warnings (why a port did not open) stay.
void keepOwnWarnings(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type == QtFatalMsg || QByteArray(context.category) == vortsetupLog().categoryName())
        ConsoleLines::writeError(message);
}

int listPorts(const SerialDeviceFinder &devices)
{
    const QList<SerialDevice> found = devices.devices();
    for (const SerialDevice &device : found)
        ConsoleLines::write(device.line());
    if (found.isEmpty())
        ConsoleLines::writeError(QStringLiteral("vortsetup: no serial device found"));
    return 0;
}
} // namespace

int main(int argc, char *argv[])
{
    // A GPX track from a position log needs neither a unit nor a display.
    if (const std::optional<int> status = runGpxCommand(argc, argv))
        return *status;
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    Arguments line(arguments);
    const auto name = [] {
        QCoreApplication::setApplicationName(QStringLiteral("vortsetup"));
        QCoreApplication::setOrganizationName(QStringLiteral("VORT"));
        QCoreApplication::setApplicationVersion(CommandLine::versionText("1.7"));
    };
    // The devices chosen in the window, remembered between runs; --port wins for its entries.
    const SystemSerialDevices devices;
    const auto attachChosenDevices = [](QtSerialPort &port, PortDeviceChoice &choice) {
        choice.load();
        port.setOpenFailureNote(
            [&choice](int portNumber) { return choice.adapterHint(portNumber); });
    };

    if (line.runsWithoutWindow()) {
        qInstallMessageHandler(keepOwnWarnings);
        QCoreApplication app(argc, argv);
        name();
        line.settle();
        if (line.parser.isSet(line.listPorts))
            return listPorts(devices);
        QtSerialPort port(line.map);
        QSettings settings;
        PortDeviceChoice choice(port.portMap(), devices, &settings);
        attachChosenDevices(port, choice);
        return runBatch(line, port);
    }

    QApplication app(argc, argv);
    name();
    line.settle();
    // A style that paints the menu's button colours on every platform.
    if (QStyle *style = QStyleFactory::create(QStringLiteral("Fusion")))
        QApplication::setStyle(style);
    QtSerialPort port(line.map);
    QSettings settings;
    PortDeviceChoice choice(port.portMap(), devices, &settings);
    attachChosenDevices(port, choice);
    WidgetMessageBoxes messages;
    SystemHelpViewer help(HelpWindow::showText);
    GPStracking window({&port, &messages, &help, line.tickMs, &choice});
    messages.setParent(&window);
    window.show();
    return app.exec();
}
