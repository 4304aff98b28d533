#include "receiver_window.h"

#include <QApplication>
#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quellix"));
    QApplication::setApplicationVersion(QStringLiteral("1.0"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Receives the units' real-time UDP messages and acknowledges each."));
    parser.addHelpOption();
    parser.addVersionOption();
    // For tests and benchmarks: set the port and start listening as if clicked.
    QCommandLineOption listenOption(QStringLiteral("listen"),
                                    QStringLiteral("Start listening on <port> at once."),
                                    QStringLiteral("port"));
    listenOption.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOption(listenOption);
    parser.process(app);

    ReceiverWindow window;
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
