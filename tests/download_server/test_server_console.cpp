// The console window: load, port, file choices, Start/Stop/EXIT and the bounds of the activity
// list.
// Connections that capture locals by reference take a local scope object as their context,
// declared after what they capture, so they end first. clazy:excludeall=lambda-in-connect
#include "download_texts.h"

#include "support/accessibility_walk.h"
#include "support/server_fixture.h"

#include "common/datagram_socket.h"
#include "download_server/server_paths.h"
#include "unit_simulator/udp_unit_client.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QUdpSocket>
#include <QtTest>

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
        QVERIFY(server.control<QPushButton>("Command1")->isEnabled());
        QVERIFY(!server.control<QPushButton>("Command2")->isEnabled());
        QVERIFY(!server.window().findChild<DatagramSocket *>("sckudp")->isListening());
        QVERIFY(server.window().findChild<QObject *>("Timer1"));
        QCOMPARE(server.control<QComboBox>("Combo1")->currentText(),
                 QStringLiteral("Configuration File Update"));
        QCOMPARE(server.control<QComboBox>("Combo1")->itemText(1),
                 QStringLiteral("GPS Locations Table Update!"));
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
        QTest::newRow("6081") << "6081"
                              << "Port :6081 selected !";
        QTest::newRow("empty") << ""
                               << "No Port Specified";
        for (const char *text : {"abc", "70000", "0", "-5"})
            QTest::newRow(text) << text
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
        // A refused text leaves the socket on its earlier port.
        QCOMPARE(socket->localPort(), text == "6081" ? quint16(6081) : server.port());
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
        // A file in the root gets a single separator.
        QCOMPARE(ServerPaths::joinPath(QDir::rootPath(), QStringLiteral("cfg1.txt")),
                 QDir::toNativeSeparators(QDir::rootPath() + "cfg1.txt"));
    }

    // Without "&Set host/port" the server listens on the port that txtport shows.
    void startAndStop()
    {
        ServerFixture server({}, 40, false);
        QCOMPARE(server.control<QLineEdit>("txtport")->text(), QStringLiteral("6081"));
        const QString port = QString::number(server.port());
        server.control<QLineEdit>("txtport")->setText(port);
        bool listening = false;
        QVERIFY(server.run(
            [&] {
                listening = !server.control<QPushButton>("Command1")->isEnabled() &&
                            server.control<QPushButton>("Command2")->isEnabled();
            },
            [] { return true; }));
        QVERIFY(listening);
        QCOMPARE(server.activity(), (QStringList{"Started, listening on port " + port,
                                                 "Stopped, listening on port " + port}));
        QVERIFY(server.control<QPushButton>("Command1")->isEnabled());
        QVERIFY(!server.control<QPushButton>("Command2")->isEnabled());
        QVERIFY(!server.window().findChild<DatagramSocket *>("sckudp")->isListening());
        QCOMPARE(server.logLines().size(), 1);
    }

    void startWhenThePortIsTaken()
    {
        ServerFixture server;
        server.retryTakenPort = false;
        QUdpSocket holder;
        QVERIFY(holder.bind(QHostAddress::AnyIPv4, server.port()));
        QVERIFY(server.run(
            {}, [] { return true; }, 2000));
        const QStringList activity = server.activity();
        QCOMPARE(activity.size(), 2);
        QVERIFY2(activity.last().startsWith(
                     QStringLiteral("Error : cannot listen on port %1 (").arg(server.port())),
                 qPrintable(activity.last()));
        QVERIFY(server.control<QPushButton>("Command1")->isEnabled());
        QVERIFY(!server.control<QPushButton>("Command2")->isEnabled());
    }

    // Stop takes effect after the transfer in progress; the loop then closes the socket.
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
                // Start again while the transfer runs: the same loop simply keeps listening.
                server.click("Command1");
            }
        });
        QVERIFY(server.run([&] { server.sendFrom(unit, "UPLOAD,V610"); },
                           [&] { return unit.isComplete(); }, 10000));
        QVERIFY(startEnabledAtOnce);
        QVERIFY(unit.isComplete());
        QCOMPARE(unit.packets().size(), 3);
        const QStringList activity = server.activity();
        const QString port = QString::number(server.port());
        QCOMPARE(activity.filter("Started, listening").size(), 1);
        QCOMPARE(activity.filter("Stopped, listening").size(), 1);
        QCOMPARE(activity.last(), "Stopped, listening on port " + port);
        QCOMPARE(activity.at(activity.size() - 2), osSuccess);
    }

    void activityListBounded()
    {
        ServerFixture server;
        UdpUnitClient unit;
        QVERIFY(unit.open());
        // One datagram after the other, so the socket's buffer never overflows.
        int next = 0;
        const auto sendNext = [&] {
            unit.sendRaw("message " + QByteArray::number(next++), QHostAddress::LocalHost,
                         server.port());
        };
        auto *list = server.control<QListWidget>("List1");
        QObject scope; // ends the connection before what it uses
        connect(list->model(), &QAbstractItemModel::rowsInserted, &scope, [&] {
            if (next < 400 && list->item(list->count() - 1)->text().startsWith("Recieved: "))
                sendNext();
        });
        QVERIFY(server.run(
            sendNext, [&] { return server.activity().constLast() == "Recieved: message 399"; }));
        QCOMPARE(server.control<QListWidget>("List1")->count(), 300);
        QCOMPARE(server.logLines().size(), 1); // no keyword, nothing logged
    }
};

QTEST_MAIN(TestServerConsole)
#include "test_server_console.moc"
