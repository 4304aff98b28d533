#include "headless_receiver.h"
#include "receiver_window.h"

#include "common/command_line.h"
#include "common/console_lines.h"
#include "common/data_folder.h"
#include "common/store/store_command_line.h"

#include <QApplication>
#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QTimer>

using CommandLine::badCommandLine; // the other statuses: HeadlessReceiver

int main(int argc, char *argv[])
{
    QCoreApplication::setApplicationName(QStringLiteral("Quellix"));
    QCoreApplication::setApplicationVersion(CommandLine::versionText("1.0"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Receives the units' real-time UDP messages and acknowledges each."));
    parser.addHelpOption();
    parser.addVersionOption();
    QCommandLineOption headlessOption(
        QStringLiteral("headless"),
        QStringLiteral("Run without a window: the activity lines go to standard output, each line "
                       "of standard input is a command for the next acknowledgement (@ID COMMAND: "
                       "for the unit whose messages begin with ID); SIGINT or SIGTERM stops "
                       "listening."));
    QCommandLineOption portOption(
        QStringLiteral("port"),
        QStringLiteral("UDP port to listen on (headless; default 6081; 0: one the "
                       "system gives, named on the line \"Listening "
                       "on UDP port N\")."),
        QStringLiteral("port"), QStringLiteral("6081"));
    // For tests and benchmarks: set the port and start listening as if clicked; 0 for a port
    // the system gives, named on standard output as the headless receiver names it.
    QCommandLineOption listenOption(QStringLiteral("listen"),
                                    QStringLiteral("Start listening on <port> at once."),
                                    QStringLiteral("port"));
    listenOption.setFlags(QCommandLineOption::HiddenFromHelp);
    QCommandLineOption reusePortOption(
        QStringLiteral("reuse-port"),
        QStringLiteral("Share the UDP port with other Quellix processes (Linux, headless): each "
                       "unit stays with one of them."));
    QCommandLineOption dataFolderOption(
        QStringLiteral("data-folder"),
        QStringLiteral("Work in the user's data folder of the tool set (%1, created when "
                       "missing). The menu entry starts Quellix so.")
            .arg(QDir::toNativeSeparators(DataFolder::path())));
    QCommandLineOption metricsOption(
        QStringLiteral("metrics"),
        QStringLiteral("Serve Prometheus metrics at http://ADDRESS:PORT/metrics (headless; "
                       "ADDRESS 127.0.0.1 when left out)."),
        QStringLiteral("[ADDRESS:]PORT"));
    parser.addOptions({headlessOption, portOption, listenOption, reusePortOption, dataFolderOption,
                       metricsOption});
    const StoreCommandLine storeCommandLine(StoreCommandLine::Program::Quellix);
    storeCommandLine.addTo(parser);

    // --help, --version and a command line that cannot be followed need no display.
    CommandLine::processBeforeApplication(parser, argc, argv, QStringLiteral("Quellix"));
    if (parser.isSet(dataFolderOption) && !DataFolder::enter()) {
        ConsoleLines::writeError(QStringLiteral("Quellix: cannot work in %1.")
                                     .arg(QDir::toNativeSeparators(DataFolder::path())));
        return badCommandLine;
    }
    // The operations on the store alone need neither a display nor a running Quellix.
    if (storeCommandLine.isOperation(parser)) {
        QCoreApplication app(argc, argv);
        return storeCommandLine.run(parser);
    }
    const std::optional<StoreSettings> store = storeCommandLine.settings(parser);
    if (!store)
        return badCommandLine;
    if (parser.isSet(headlessOption)) {
        QCoreApplication app(argc, argv);
        HeadlessReceiver receiver(parser.value(portOption), *store, parser.isSet(reusePortOption),
                                  parser.value(metricsOption));
        if (!receiver.start())
            return HeadlessReceiver::CannotListen;
        QObject::connect(&receiver, &HeadlessReceiver::finished, &app, &QCoreApplication::exit,
                         Qt::QueuedConnection);
        return QCoreApplication::exec();
    }
    for (const QCommandLineOption *headlessOnly : {&portOption, &metricsOption}) {
        if (parser.isSet(*headlessOnly)) {
            ConsoleLines::writeError(QStringLiteral("Quellix: --%1 needs --headless.")
                                         .arg(headlessOnly->names().constFirst()));
            return badCommandLine;
        }
    }

    QApplication app(argc, argv);
    ReceiverWindow::Options options;
    options.store = *store;
    ReceiverWindow window(options);
    window.show();

    if (parser.isSet(listenOption)) {
        const QString port = parser.value(listenOption);
        QTimer::singleShot(0, &window, [&window, port] {
            if (const quint16 bound = window.listenAt(port))
                ConsoleLines::write(QStringLiteral("Listening on UDP port %1").arg(bound));
        });
    }
    return app.exec();
}
