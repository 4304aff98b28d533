// Several units served at once over real loopback sockets: each unit gets its own transfer,
// byte for byte, whatever the others do; lines name their unit.
// Connections that capture locals by reference take a local scope object as their context,
// declared after what they capture, so they end first. clazy:excludeall=lambda-in-connect
#include "download_texts.h"

#include "support/server_fixture.h"
#include "support/test_support.h"

#include "common/tick_clock.h"
#include "unit_simulator/udp_unit_client.h"

#include <QPushButton>
#include <QTreeWidget>
#include <QtTest>

#include <array>

namespace {
bool logHas(const ServerFixture &server, const QString &line)
{
    return logTexts(server.logLines()).contains(logLine(line));
}

} // namespace

class TestServerFleet : public QObject
{
    Q_OBJECT
private slots:
    // An operating system and a GPS table at the same time, the packets interleaved.
    void twoUnitsTwoKinds()
    {
        FixedImages images;
        ServerFixture server(images.source(), 20, true, 2);
        server.useOperatingSystemBase();
        const QByteArray system = fileOf(20 * 180 + 7, 3);
        server.writeFile(QStringLiteral("os/V610/os.bin"), system);
        UdpUnitClient os;
        UdpUnitClient gps;
        QVERIFY(os.open() && gps.open());
        bool overlapped = false;
        connect(&gps, &UdpUnitClient::packetReceived, this,
                [&] { overlapped = overlapped || (!os.packets().isEmpty() && !os.isComplete()); });
        QVERIFY(server.run(
            [&] {
                server.sendFrom(os, "VAN001,V610,UPLOAD");
                server.sendFrom(gps, "VAN002,V610,GPSLOC");
            },
            [&] { return os.isComplete() && gps.isComplete(); }));

        QVERIFY(overlapped);
        QCOMPARE(os.receivedData(), padded(system));
        QCOMPARE(gps.receivedImage(), images.gps.left(630));
        QCOMPARE(server.activityCount(named(osSuccess, "VAN001", os)), 1);
        QCOMPARE(server.activityCount(named(gpsSuccess, "VAN002", gps)), 1);
        QVERIFY(logHas(server, named(QStringLiteral("VAN001,V610,UPLOAD"), "VAN001", os)));
        QVERIFY(logHas(server, named(gpsSuccess, "VAN002", gps)));
    }

    // Three transfers fill the server: a fourth caller is refused visibly and gets nothing; the
    // unit that falls silent gives up alone while the other two finish.
    void busyServerAndASilentUnit()
    {
        ServerFixture server({}, 20, true, 3);
        server.useOperatingSystemBase();
        const QByteArray system = fileOf(qsizetype(256) * 180, 9);
        server.writeFile(QStringLiteral("os/V610/os.bin"), system);
        std::array<UdpUnitClient, 4> units;
        for (UdpUnitClient &unit : units)
            QVERIFY(unit.open());
        UdpUnitClient &silent = units[0];
        UdpUnitClient &late = units[3];
        connect(&silent, &UdpUnitClient::packetReceived, this,
                [&] { silent.setSilent(silent.packets().size() >= 2); });
        connect(&units[2], &UdpUnitClient::packetReceived, this, [&] {
            if (units[2].packets().size() == 1)
                server.sendFrom(late, "LATE04,V610,UPLOAD");
        });
        const QString busy = named(
            QStringLiteral("Busy : 3 transfers in progress, request not served"), "LATE04", late);
        const QString gaveUp = named(
            QStringLiteral("Error2 : Unit update with UDP packet ID :UNIT00 not succesfull !"),
            "UNIT00", silent);
        QVERIFY(server.run(
            [&] {
                for (int i = 0; i < 3; ++i)
                    server.sendFrom(units[i], QByteArray("UNIT0") + char('0' + i) + ",V610,UPLOAD");
            },
            [&] {
                return units[1].isComplete() && units[2].isComplete() && logHas(server, gaveUp) &&
                       logHas(server, busy);
            },
            60000));

        for (int i = 1; i < 3; ++i) {
            QCOMPARE(units[i].receivedData(), padded(system));
            QVERIFY(logHas(server, named(osSuccess, i == 1 ? "UNIT01" : "UNIT02", units[i])));
        }
        QVERIFY(late.packets().isEmpty());
        QVERIFY(!logHas(server, named(osSuccess, "UNIT00", silent)));
        QCOMPARE(silent.receivedData(), system.left(180));
    }

    // Stop lets every transfer in progress finish and starts no new one; EXIT ends them all.
    void stopAndExitWithSeveralRunning_data()
    {
        QTest::addColumn<bool>("exit");
        QTest::newRow("Stop") << false;
        QTest::newRow("EXIT") << true;
    }
    void stopAndExitWithSeveralRunning()
    {
        QFETCH(bool, exit);
        constexpr int unitCount = 3;
        // Silent units under EXIT: long ticks keep their transfers up while the view is read.
        ServerFixture server({}, exit ? 100 : 20, true, unitCount + 1);
        server.useOperatingSystemBase();
        const QByteArray system = fileOf(qsizetype(40) * 180, 5);
        server.writeFile(QStringLiteral("os/V610/os.bin"), system);
        server.window().show();
        std::array<UdpUnitClient, unitCount + 1> units;
        for (UdpUnitClient &unit : units)
            QVERIFY(unit.open());
        UdpUnitClient &newcomer = units[unitCount];
        int started = 0;
        QStringList rows;
        const auto *view = server.control<QTreeWidget>("Transfers");
        QVERIFY(view && !view->accessibleName().isEmpty());
        const auto endThem = [&] {
            for (int row = 0; row < view->topLevelItemCount(); ++row) {
                const QTreeWidgetItem *item = view->topLevelItem(row);
                rows << item->text(0) + u' ' + item->text(3);
                // Columns as wide as their content: the address is shown whole.
                if (view->columnWidth(1) <= view->fontMetrics().horizontalAdvance(item->text(1)))
                    rows << "address cut: " + item->text(1);
            }
            server.click(exit ? "Command6" : "Command2");
            server.sendFrom(newcomer, "NEWCOM,V610,UPLOAD");
        };
        const auto viewFull = [&] { return view->topLevelItemCount() >= unitCount; };
        QObject scope; // ends the connections before what they use
        for (int i = 0; i < unitCount; ++i) {
            UdpUnitClient *unit = &units[i];
            // Under EXIT the units stop answering, so nothing but EXIT could end their transfers.
            unit->setSilent(exit);
            connect(unit, &UdpUnitClient::packetReceived, &scope, [&, unit] {
                if (unit->packets().size() != 1 || ++started < unitCount)
                    return;
                if (!exit)
                    endThem();
                else // the view fills within its refresh; EXIT follows once it shows all three
                    TestSupport::whenDone(&scope, viewFull, 20000, [&](bool) { endThem(); });
            });
        }
        QVERIFY(server.run(
            [&] {
                for (int i = 0; i < unitCount; ++i)
                    server.sendFrom(units[i], "UNIT00,V610,UPLOAD");
            },
            [] { return false; }, 60000));

        // Listening has ended and the socket is closed.
        QVERIFY(newcomer.packets().isEmpty());
        if (!exit) {
            for (int i = 0; i < unitCount; ++i)
                QCOMPARE(units[i].receivedData(), padded(system));
            QCOMPARE(server.activity().mid(server.activity().size() - 2),
                     (QStringList{"Transfers: 0 running, 3 done, 0 given up, 0 refused",
                                  "Stopped, listening on port " + server.portText()}));
            return;
        }
        // The quiet window is counted on the clock that times resends: a transfer EXIT left
        // running would resend after one wait for a reply (5 ticks).
        QSignalSpy ticks(server.window().findChild<TickClock *>("Timer1"), &TickClock::ticked);
        QTRY_VERIFY_WITH_TIMEOUT(ticks.size() > 6, 10000);
        QCOMPARE(rows, QStringList(unitCount, QStringLiteral("UNIT00 1 of 40")));
        QVERIFY(server.activity().contains("Transfers: 3 running, 0 done, 0 given up, 0 refused"));
        for (int i = 0; i < unitCount; ++i)
            QCOMPARE(units[i].packets().size(), 1);
        QVERIFY(!server.window().isVisible());
        QCOMPARE(server.activity().filter(QRegularExpression("^Error")), QStringList());
        QVERIFY(!server.logLines().join().contains("Error"));
    }
};

QTEST_MAIN(TestServerFleet)
#include "test_server_fleet.moc"
