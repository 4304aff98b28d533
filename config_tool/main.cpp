#include "common/help_viewer.h"
#include "link/gps_tracking.h"
#include "link/message_box.h"
#include "link/port_map.h"
#include "link/qt_serial_port.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QStyleFactory>

#include <cstdio>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("vortsetup"));
    // A style that paints the menu's button colours on every platform.
    if (QStyle *style = QStyleFactory::create(QStringLiteral("Fusion")))
        QApplication::setStyle(style);

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Configuration tool of the VORT GPS tracking unit."));
    parser.addHelpOption();
    const QCommandLineOption portOption(
        QStringLiteral("port"),
        QStringLiteral("Puts a device behind a COM entry, e.g. COM1=/dev/ttyUSB0 (repeatable)."),
        QStringLiteral("COMk=device"));
    parser.addOption(portOption);
    // Tests only: a shorter tick than the unit's one second.
    QCommandLineOption tickOption(QStringLiteral("tick-ms"), QString(), QStringLiteral("ms"),
                                  QStringLiteral("1000"));
    tickOption.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOption(tickOption);
    parser.process(app);

    PortMap map;
    for (const QString &mapping : parser.values(portOption)) {
        if (!map.addMapping(mapping)) {
            std::fprintf(stderr, "vortsetup: --port expects COMk=device, not \"%s\"\n",
                         qPrintable(mapping));
            return 2;
        }
    }
    bool ok = false;
    const int tickMs = parser.value(tickOption).toInt(&ok);
    if (!ok || tickMs <= 0) {
        std::fprintf(stderr, "vortsetup: --tick-ms expects a positive number\n");
        return 2;
    }

    QtSerialPort port(map);
    WidgetMessageBoxes messages;
    SystemHelpViewer help;
    GPStracking window({&port, &messages, &help, tickMs});
    messages.setParent(&window);
    window.show();
    return app.exec();
}
