// Server's console, built and shown as its main() does, for the start-up benchmark.
#include "startup/startup_probe.h"

#include "trackmain.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Server"));
    TrackMain window;
    StartupProbe probe(window);
    window.show();
    return app.exec();
}
