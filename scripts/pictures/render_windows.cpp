// Renders every window of the tool set offscreen into PNG files for the README: the main menu,
// its three screens, Server and Quellix, with the demonstration files loaded so the screens
// show what a technician would see. Run it through scripts/screenshots.sh.
//
//   vort_render_windows <output folder> <demo folder>
#include "common/help_viewer.h"
#include "configuration/configuration_file.h"
#include "download_server/window/trackmain.h"
#include "link/port_map.h"
#include "link/qt_serial_port.h"
#include "location_table/location_table_file.h"
#include "realtime_receiver/window/receiver_window.h"
#include "windows/gps_tracking.h"
#include "windows/message_boxes.h"
#include "windows/setup1.h"
#include "windows/setup2.h"
#include "windows/setup3.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QPushButton>
#include <QStyleFactory>

#include <cstdio>

namespace {
QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool save(QWidget *window, const QDir &folder, const QString &name)
{
    window->show();
    QApplication::processEvents();
    QApplication::processEvents();
    const QString path = folder.filePath(name);
    if (!window->grab().save(path, "PNG", 9)) {
        std::fprintf(stderr, "vort_render_windows: cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

void click(QWidget &window, const char *name)
{
    if (auto *button = window.findChild<QPushButton *>(QLatin1String(name)))
        button->click();
}
} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (QStyle *style = QStyleFactory::create(QStringLiteral("Fusion")))
        QApplication::setStyle(style);
    if (argc != 3) {
        std::fprintf(stderr, "usage: vort_render_windows <output folder> <demo folder>\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    const QDir demo(QString::fromLocal8Bit(argv[2]));
    bool ok = true;

    PortMap map;
    QtSerialPort port(map);
    WidgetMessageBoxes messages;
    SystemHelpViewer help;
    GPStracking menu({&port, &messages, &help, 1000});
    ok &= save(&menu, out, QStringLiteral("vortsetup-main-menu.png"));

    // The screens with the demonstration configuration and camera table.
    ConfigurationRecord record;
    readConfigurationContent(readFile(demo.filePath(QStringLiteral("sample-configuration.txt"))),
                             record);
    menu.setup1()->setRecord(record);
    menu.setup3()->setRecord(record);
    const LocationTableFile::ReadResult table =
        LocationTableFile::read(readFile(demo.filePath(QStringLiteral("camera-table.txt"))));
    for (int row = 0; row < table.rows.size(); ++row) {
        menu.setup2()->setCellText(row * 3 + 1, table.rows.at(row).latitude);
        menu.setup2()->setCellText(row * 3 + 2, table.rows.at(row).longitude);
    }
    // Each window at the size it opens at on the screen of scripts/pictures/screen.json.
    ok &= save(menu.setup1(), out, QStringLiteral("vortsetup-configuration.png"));
    menu.setup1()->hide();
    ok &= save(menu.setup2(), out, QStringLiteral("vortsetup-location-table.png"));
    menu.setup2()->hide();
    ok &= save(menu.setup3(), out, QStringLiteral("vortsetup-voice-adc.png"));
    menu.setup3()->hide();
    menu.hide();

    // Server ready to serve: port set, both files chosen as an operator would.
    TrackMain server;
    click(server, "Command4");
    auto *kind = server.findChild<QComboBox *>(QStringLiteral("Combo1"));
    auto *files = server.findChild<QListWidget *>(QStringLiteral("File2"));
    const char *choices[] = {"sample-configuration.txt", "camera-table.txt"};
    for (int index = 0; index < 2 && kind && files; ++index) {
        kind->setCurrentIndex(index);
        const auto found = files->findItems(QLatin1String(choices[index]), Qt::MatchExactly);
        if (!found.isEmpty())
            emit files->itemClicked(found.first());
    }
    ok &= save(&server, out, QStringLiteral("server.png"));
    server.hide();

    ReceiverWindow quellix;
    click(quellix, "Command4");
    ok &= save(&quellix, out, QStringLiteral("quellix.png"));
    return ok ? 0 : 1;
}
