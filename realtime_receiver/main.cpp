#include "headless_receiver.h"
#include "receiver_window.h"

#include "common/command_line.h"
#include "common/console_lines.h"
#include "common/data_folder.h"

#include <QApplication>
#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
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
    QCommandLineOption portOption(QStringLiteral("port"),
                                  QStringLiteral("UDP port to listen on (headless; default 6081)."),
                                  QStringLiteral("port"), QStringLiteral("6081"));
    // For tests and benchmarks: set the port and start listening as if clicked.
    QCommandLineOption listenOption(QStringLiteral("listen"),
                                    QStringLiteral("Start listening on <port> at once."),
                                    QStringLiteral("port"));
    listenOption.setFlags(QCommandLineOption::HiddenFromHelp);
    QCommandLineOption recordOption(
        QStringLiteral("record"),
        QStringLiteral("Write every message received and every acknowledgement sent to the "
                       "SQLite database <file> (table traffic)."),
        QStringLiteral("file"));
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
    parser.addOptions(
        {headlessOption, portOption, listenOption, recordOption, dataFolderOption, metricsOption});

    // --help, --version and a command line that cannot be followed need no display.
    CommandLine::processBeforeApplication(parser, argc, argv, QStringLiteral("Quellix"));
    if (parser.isSet(dataFolderOption) && !DataFolder::enter()) {
        ConsoleLines::writeError(QStringLiteral("Quellix: cannot work in %1.")
                                     .arg(QDir::toNativeSeparators(DataFolder::path())));
        return badCommandLine;
    }
    if (parser.isSet(headlessOption)) {
        QCoreApplication app(argc, argv);
        HeadlessReceiver receiver(parser.value(portOption), parser.value(recordOption),
                                  parser.value(metricsOption));
        return receiver.run();
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
    options.recordFile = parser.value(recordOption);
    ReceiverWindow window(options);
    window.show();

    if (parser.isSet(listenOption)) {
        const QString port = parser.value(listenOption);
        QTimer::singleShot(0, &window, [&window, port] {
            window.findChild<QLineEdit *>(QStringLiteral("txtport"))->setText(port);
            window.findChild<QPushButton *>(QStringLiteral("Command4"))->click();
            window.findChild<QPushButton *>(QStringLiteral("Command1"))->click();
        });
    }
    return app.exec();
}
