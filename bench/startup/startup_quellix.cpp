// Quellix's window, built and shown as its main() does, for the start-up benchmark.
#include "startup/startup_probe.h"

#include "receiver_window.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quellix"));
    ReceiverWindow window;
    StartupProbe probe(window);
    window.show();
    return app.exec();
}
