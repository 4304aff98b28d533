// The console window: load, port, file choices, Start/Stop/EXIT and the bounds of the activity
// list.
// Connections that capture locals by reference take a local scope object as their context,
// declared after what they capture, so they end first. clazy:excludeall=lambda-in-connect
#include "download_texts.h"

#include "support/accessibility_walk.h"
#include "support/server_fixture.h"

#include "common/network/datagram_socket.h"
#include "download_server/server_paths.h"
#include "download_server/window/elided_path_edit.h"
#include "unit_simulator/udp_unit_client.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QUdpSocket>
#include <QtTest>

namespace {
// Start enabled, Stop not.
bool idle(const ServerFixture &server)
{
    return server.control<QPushButton>("Command1")->isEnabled() &&
           !server.control<QPushButton>("Command2")->isEnabled();
}
} // namespace

class TestServerConsole : public QObject
{
    Q_OBJECT
private slots:
    // The window as loaded, named for a screen reader; Help opens download.txt.
    void loadState()
    {
        ServerFixture server;
        QCOMPARE(server.window().objectName(), QStringLiteral("trackmain"));
        QCOMPARE(server.window().windowTitle(),
                 QStringLiteral("Tracking System Remote download V1.3 - 16-5-2005"));
        QVERIFY(idle(server));
        QVERIFY(!server.window().findChild<DatagramSocket *>("sckudp")->isListening());
        const auto *combo = server.control<QComboBox>("Combo1");
        QCOMPARE((QStringList{combo->currentText(), combo->itemText(1)}),
                 (QStringList{"Configuration File Update", "GPS Locations Table Update!"}));
        QCOMPARE(logTexts(server.logLines()), QList<QByteArray>{logStart});
        server.window().show();
        const QStringList unnamed = unnamedInteractiveControls(&server.window());
        QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(", ")));
        server.click("Command3");
        QCOMPARE(server.help.opened, QStringList{QStringLiteral("download.txt")});
    }

    void setHostPort_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("line");
        QTest::newRow("6081") << QStringLiteral("6081") << QStringLiteral("Port :6081 selected !");
        QTest::newRow("empty") << QString() << QStringLiteral("No Port Specified");
        for (const char *text : {"abc", "70000", "0", "-5"})
            QTest::newRow(text) << QString::fromLatin1(text)
                                << QStringLiteral("Port :%1 not valid (1 to 65535) !").arg(text);
    }
    void setHostPort()
    {
        QFETCH(QString, text);
        QFETCH(QString, line);
        ServerFixture server;
        auto *socket = server.window().findChild<DatagramSocket *>("sckudp");
        server.control<QLineEdit>("txtport")->setText(text);
        server.click("Command4");
        QCOMPARE(server.activity().constLast(), line);
        // A refused text leaves the socket on its earlier port (the fixture's 0: any).
        QCOMPARE(socket->localPort(), text == "6081" ? quint16(6081) : quint16(0));
    }

    // A click in File2 chooses the configuration or the table, as Combo1 says; Drive1 the
    // operating system base, whose files File1 lists.
    void fileChoice()
    {
        ServerFixture server;
        const QString base = server.useOperatingSystemBase();
        server.writeFile(QStringLiteral("os/readme.txt"), "x");
        server.control<QComboBox>("Drive1")->setEditText(QString()); // changed again
        server.control<QComboBox>("Drive1")->setEditText(QDir::toNativeSeparators(base));
        QCOMPARE(server.control<QLineEdit>("Text1")->text(), QDir::toNativeSeparators(base + "/"));
        QCOMPARE(server.control<QListWidget>("File1")->item(0)->text(),
                 QStringLiteral("readme.txt"));
        server.writeFile(QStringLiteral("cfg/cfg1.txt"), "V7.X\r\n");
        server.writeFile(QStringLiteral("cfg/gps.txt"), "\"0\",\"255\",\"255\"\r\n");
        const QString folder = QDir(server.dirPath()).filePath(QStringLiteral("cfg"));
        server.control<QComboBox>("Drive2")->setEditText(folder);
        auto *files = server.control<QListWidget>("File2");
        QCOMPARE(files->count(), 2);
        const auto clickFile = [&](const QString &name) {
            QListWidgetItem *item = files->findItems(name, Qt::MatchExactly).value(0);
            QVERIFY(item);
            QTest::mouseClick(files->viewport(), Qt::LeftButton, {},
                              files->visualItemRect(item).center());
        };
        clickFile(QStringLiteral("cfg1.txt"));
        const QString expected = QDir::toNativeSeparators(folder + "/cfg1.txt");
        QCOMPARE(server.control<QLabel>("Label5")->text(), expected);
        server.control<QComboBox>("Combo1")->setCurrentIndex(1);
        clickFile(QStringLiteral("gps.txt"));
        QCOMPARE(server.control<QLabel>("Label9")->text(),
                 QDir::toNativeSeparators(folder + "/gps.txt"));
        QCOMPARE(server.control<QLabel>("Label5")->text(), expected);
        // A long base folder: Drive1 and Text1 show its start and end around "…" while they
        // have no focus, the whole path as their text and tooltip.
        const QString deep = QDir::toNativeSeparators(
            base + QStringLiteral("/a-rather-long-folder-name/with/several/levels/V610"));
        server.control<QComboBox>("Drive1")->setEditText(deep);
        server.window().show();
        for (QLineEdit *box : {server.control<QComboBox>("Drive1")->lineEdit(),
                               server.control<QLineEdit>("Text1")}) {
            const auto *paths = qobject_cast<const ElidedPathEdit *>(box);
            QVERIFY(paths);
            QVERIFY(box->text().startsWith(deep));
            QCOMPARE(box->toolTip(), box->text());
            const QStringList ends = paths->shownText().split(QChar(0x2026));
            QCOMPARE(ends.size(), 2);
            QVERIFY(deep.startsWith(ends[0]) && box->text().endsWith(ends[1]));
            QVERIFY(!ends[0].isEmpty() && !ends[1].isEmpty());
        }
        // A file in the root gets a single separator.
        QCOMPARE(ServerPaths::joinPath(QDir::rootPath(), QStringLiteral("cfg1.txt")),
                 QDir::toNativeSeparators(QDir::rootPath() + "cfg1.txt"));
    }

    // Start returns at once, listening; Stop ends it. Without "&Set host/port" the server
    // listens on the port that txtport shows: on a port another program holds, it says so
    // and stays stopped.
    void startAndStop()
    {
        ServerFixture server;
        bool listening = false;
        QVERIFY(server.run([&] { listening = !idle(server); }, [] { return true; }));
        QVERIFY(listening);
        QVERIFY(server.port() != 0);
        QCOMPARE(server.activity(),
                 (QStringList{"Port :6081 selected !", "Started, listening on port 6081",
                              "Stopped, listening on port 6081"}));
        QVERIFY(idle(server));
        QVERIFY(!server.socket().isListening());

        ServerFixture unset({}, 40, false);
        QCOMPARE(unset.portText(), QStringLiteral("6081"));
        QUdpSocket holder;
        QVERIFY(holder.bind(QHostAddress::AnyIPv4, 0));
        const QString port = QString::number(holder.localPort());
        unset.control<QLineEdit>("txtport")->setText(port);
        QVERIFY(!unset.run({}, [] { return true; }));
        const QStringList activity = unset.activity();
        QCOMPARE(activity.size(), 1);
        QVERIFY2(activity.last().startsWith("Error : cannot listen on port " + port + " ("),
                 qPrintable(activity.last()));
        QVERIFY(idle(unset));
        QCOMPARE(unset.logLines().size(), 1);
    }

    // Stop takes effect after the transfer in progress; listening then ends, socket closed.
    // (Stop alone, with several transfers: the fleet's stopAndExitWithSeveralRunning.)
    void stopDuringTransfer()
    {
        ServerFixture server;
        server.useOperatingSystemBase();
        server.writeFile(QStringLiteral("os/V610/os.bin"), QByteArray(400, 'x'));
        UdpUnitClient unit;
        QVERIFY(unit.open());
        bool startEnabledAtOnce = false;
        connect(&unit, &UdpUnitClient::packetReceived, this, [&] {
            if (unit.packets().size() == 1) {
                server.click("Command2");
                startEnabledAtOnce = server.control<QPushButton>("Command1")->isEnabled();
                // Start again while the transfer runs: it simply keeps listening.
                server.click("Command1");
            }
        });
        QVERIFY(server.run([&] { server.sendFrom(unit, "UPLOAD,V610"); },
                           [&] { return unit.isComplete(); }, 10000));
        QVERIFY(startEnabledAtOnce);
        QCOMPARE(unit.packets().size(), 3);
        const QStringList activity = server.activity();
        const QString stopped = "Stopped, listening on port " + server.portText();
        QCOMPARE(activity.filter(", listening on port ").size(), 2);
        QCOMPARE(activity.mid(activity.size() - 2), (QStringList{osSuccess, stopped}));
    }
};

QTEST_MAIN(TestServerConsole)
#include "test_server_console.moc"
