#include "headless_server.h"
#include "served_files.h"
#include "trackmain.h"

#include "common/command_line.h"
#include "common/console_lines.h"
#include "common/data_folder.h"
#include "common/store/store_command_line.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>

namespace {
using CommandLine::badCommandLine; // the other statuses: HeadlessServer

struct Options
{
    QCommandLineOption tick{QStringLiteral("tick-ms"), QStringLiteral("Tick interval in ms."),
                            QStringLiteral("ms"), QStringLiteral("1000")};
    QCommandLineOption headless{QStringLiteral("headless"),
                                QStringLiteral("Run without a window: the activity lines go to "
                                               "standard output; SIGINT or SIGTERM stops "
                                               "listening after the transfer in progress.")};
    QCommandLineOption port{QStringLiteral("port"),
                            QStringLiteral("UDP port to listen on (headless; default 6081; 0: "
                                           "one the system gives, named on the line "
                                           "\"Listening on UDP port N\")."),
                            QStringLiteral("port"), QStringLiteral("6081")};
    QCommandLineOption base{QStringLiteral("base"),
                            QStringLiteral("Folder holding the operating system folders "
                                           "(headless; default the working directory)."),
                            QStringLiteral("folder")};
    QCommandLineOption config{QStringLiteral("config"),
                              QStringLiteral("Configuration file sent on CONFIG (headless)."),
                              QStringLiteral("file")};
    QCommandLineOption gps{QStringLiteral("gps"),
                           QStringLiteral("GPS location table file sent on GPSLOC (headless)."),
                           QStringLiteral("file")};
    QCommandLineOption dataFolder{
        QStringLiteral("data-folder"),
        QStringLiteral("Work in the user's data folder of the tool set (%1, created when "
                       "missing): log.txt goes there and the file lists start there. The menu "
                       "entry starts Server so.")
            .arg(QDir::toNativeSeparators(DataFolder::path()))};
    QCommandLineOption summary{QStringLiteral("summary-ms"),
                               QStringLiteral("Interval of the headless summary line in ms."),
                               QStringLiteral("ms"), QStringLiteral("10000")};
    QCommandLineOption sessions{QStringLiteral("sessions"),
                                QStringLiteral("Units served at the same time, 1 to 10000 "
                                               "(default 1)."),
                                QStringLiteral("n"), QStringLiteral("1")};
    QCommandLineOption quiet{QStringLiteral("quiet"),
                             QStringLiteral("Leave out the packet-by-packet lines (headless).")};
    QCommandLineOption metrics{
        QStringLiteral("metrics"),
        QStringLiteral("Serve Prometheus metrics at http://ADDRESS:PORT/metrics (headless; "
                       "ADDRESS 127.0.0.1 when left out)."),
        QStringLiteral("[ADDRESS:]PORT")};
    QCommandLineOption reusePort{QStringLiteral("reuse-port"),
                                 QStringLiteral("Share the UDP port with other Server processes "
                                                "(Linux): each unit stays with one of them.")};
};

void describe(QCommandLineParser &parser, Options &options)
{
    parser.setApplicationDescription(
        QStringLiteral("Server: sends operating system files, configuration images and GPS "
                       "location tables to VORT units that call in over UDP."));
    parser.addHelpOption();
    parser.addVersionOption();
    // Shorter ticks and summaries for the tests; the shipped program counts whole seconds.
    options.tick.setFlags(QCommandLineOption::HiddenFromHelp);
    options.summary.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOptions({options.tick, options.headless, options.port, options.base, options.config,
                       options.gps, options.dataFolder, options.sessions, options.quiet,
                       options.reusePort, options.metrics, options.summary});
}

// 1 to 10,000 units at once; anything else is refused with one line.
std::optional<int> sessionCount(const QCommandLineParser &parser, const Options &options)
{
    bool ok = false;
    const QString text = parser.value(options.sessions);
    const int sessions = text.trimmed().toInt(&ok);
    if (ok && sessions >= 1 && sessions <= RemoteDownload::maximumSessions)
        return sessions;
    ConsoleLines::writeError(
        QStringLiteral("Server: --sessions expects a whole number from 1 to %1, not \"%2\".")
            .arg(RemoteDownload::maximumSessions)
            .arg(text));
    return std::nullopt;
}

int tickInterval(const QCommandLineParser &parser, const Options &options)
{
    bool ok = false;
    const int tickMs = parser.value(options.tick).toInt(&ok);
    return ok && tickMs > 0 ? tickMs : 1000;
}

// A file named on the command line keeps meaning the same file if the working directory changes.
QString absolute(const QString &path)
{
    return path.isEmpty() ? path : QFileInfo(path).absoluteFilePath();
}

bool enterDataFolder()
{
    if (DataFolder::enter())
        return true;
    ConsoleLines::writeError(QStringLiteral("Server: cannot work in %1.")
                                 .arg(QDir::toNativeSeparators(DataFolder::path())));
    return false;
}

int runHeadless(const QCommandLineParser &parser, const Options &options,
                const StoreSettings &store)
{
    HeadlessServerOptions chosen;
    chosen.store = store;
    chosen.portText = parser.value(options.port);
    chosen.baseFolder = absolute(parser.value(options.base));
    chosen.configurationFile = absolute(parser.value(options.config));
    chosen.gpsTableFile = absolute(parser.value(options.gps));
    chosen.tickIntervalMs = tickInterval(parser, options);
    // Files named on the command line are where the operator typed them, data folder or not.
    if (parser.isSet(options.dataFolder) && !enterDataFolder())
        return badCommandLine;
    const std::optional<int> sessions = sessionCount(parser, options);
    if (!sessions)
        return badCommandLine;
    chosen.sessions = *sessions;
    chosen.quiet = parser.isSet(options.quiet);
    bool summaryOk = false;
    const int summaryMs = parser.value(options.summary).toInt(&summaryOk);
    chosen.summaryIntervalMs = summaryOk && summaryMs > 0 ? summaryMs : 10000;
    chosen.reusePort = parser.isSet(options.reusePort);
    chosen.metricsEndpoint = parser.value(options.metrics);
    if (!chosen.baseFolder.isEmpty() && !QFileInfo(chosen.baseFolder).isDir()) {
        ConsoleLines::writeError(QStringLiteral("Server: --base %1 is not a folder.")
                                     .arg(QDir::toNativeSeparators(chosen.baseFolder)));
        return badCommandLine;
    }
    for (const QString &line : ServedFiles::startLines(
             chosen.baseFolder.isEmpty() ? QDir::currentPath() : chosen.baseFolder,
             chosen.configurationFile, chosen.gpsTableFile))
        ConsoleLines::writeError(line);
    HeadlessServer server(std::move(chosen));
    if (!server.start())
        return HeadlessServer::CannotListen;
    QObject::connect(&server, &HeadlessServer::finished, QCoreApplication::instance(),
                     &QCoreApplication::exit, Qt::QueuedConnection);
    return QCoreApplication::exec();
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication::setApplicationName(QStringLiteral("Server"));
    QCoreApplication::setApplicationVersion(CommandLine::versionText("1.3"));
    QCommandLineParser parser;
    Options options;
    describe(parser, options);
    // --help, --version and a command line that cannot be followed need no display.
    const StoreCommandLine storeCommandLine(StoreCommandLine::Program::Server);
    storeCommandLine.addTo(parser);
    CommandLine::processBeforeApplication(parser, argc, argv, QStringLiteral("Server"));
    // The operations on the store alone need neither a display nor a running Server.
    if (storeCommandLine.isOperation(parser)) {
        QCoreApplication app(argc, argv);
        return storeCommandLine.run(parser);
    }
    const std::optional<StoreSettings> store = storeCommandLine.settings(parser);
    if (!store)
        return badCommandLine;
    if (parser.isSet(options.headless)) {
        QCoreApplication app(argc, argv);
        return runHeadless(parser, options, *store);
    }
    for (const QCommandLineOption *headlessOnly :
         {&options.port, &options.base, &options.config, &options.gps, &options.quiet,
          &options.metrics}) {
        if (parser.isSet(*headlessOnly)) {
            ConsoleLines::writeError(QStringLiteral("Server: --%1 needs --headless.")
                                         .arg(headlessOnly->names().constFirst()));
            return badCommandLine;
        }
    }

    const std::optional<int> sessions = sessionCount(parser, options);
    if (!sessions)
        return badCommandLine;
    if (parser.isSet(options.dataFolder) && !enterDataFolder())
        return badCommandLine;
    QApplication app(argc, argv);
    TrackMainOptions windowOptions;
    windowOptions.tickIntervalMs = tickInterval(parser, options);
    windowOptions.sessions = *sessions;
    windowOptions.reusePort = parser.isSet(options.reusePort);
    windowOptions.store = *store;
    TrackMain window(std::move(windowOptions));
    window.show();
    return app.exec();
}
