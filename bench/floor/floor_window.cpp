// The floor of start-up and memory: a bare Qt Widgets program that shows one window with one
// button, built like the programs it is compared with.
#include "startup/startup_probe.h"

#include <QApplication>
#include <QPushButton>
#include <QWidget>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Window"));
    QPushButton button(QStringLiteral("EXIT"), &window);
    window.resize(640, 480);
    StartupProbe probe(window);
    window.show();
    return app.exec();
}
