// vortsetup's main menu, built and shown as its main() does, for the start-up benchmark.
#include "startup/startup_probe.h"

#include "common/help_viewer.h"
#include "link/port_map.h"
#include "link/qt_serial_port.h"
#include "windows/gps_tracking.h"
#include "windows/message_boxes.h"

#include <QApplication>
#include <QStyleFactory>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("vortsetup"));
    if (QStyle *style = QStyleFactory::create(QStringLiteral("Fusion")))
        QApplication::setStyle(style);
    QtSerialPort port{PortMap{}};
    WidgetMessageBoxes messages;
    SystemHelpViewer help;
    GPStracking window({&port, &messages, &help, 1000});
    messages.setParent(&window);
    StartupProbe probe(window);
    window.show();
    return app.exec();
}
