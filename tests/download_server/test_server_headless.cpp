// Server --headless as a service manager runs it: a real process on loopback UDP, the simulated
// unit asking for each of the three downloads, and SIGINT/SIGTERM ending it cleanly.
#include "download_texts.h"
#include "headless_server_run.h"

#include "support/program_process.h"
#include "support/server_fixture.h"
#include "support/valid_configuration.h"

#include "config_tool/configuration/configuration_file.h"
#include "download_server/server_images.h"
#include "location_table/location_table_file.h"
#include "unit_simulator/udp_unit_client.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QUdpSocket>
#include <QtTest>

#include <array>
#include <csignal>
#include <memory>

class TestServerHeadless : public QObject
{
    Q_OBJECT
private slots:
    // The configuration and the table named on the command line, built and sent whole; a signal
    // during the operating system's transfer lets it run to its end, whole, before listening
    // stops.
    void servesTheFilesNamed_data()
    {
        QTest::addColumn<int>("signalNumber");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGINT") << int(SIGINT);
    }
    void servesTheFilesNamed()
    {
        QFETCH(int, signalNumber);
        QStringList cells{QStringLiteral("0"), QStringLiteral("51.4523"), QStringLiteral("0.4567")};
        for (int row = 1; row < 100; ++row)
            cells << QString::number(row) << QStringLiteral("255") << QStringLiteral("255");
        HeadlessServerRun server(QStringLiteral("--config cfg1.txt --gps table.txt"));
        server.write(QStringLiteral("cfg1.txt"),
                     configurationFileContent(TestSupport::validConfiguration()));
        server.write(QStringLiteral("table.txt"), LocationTableFile::write(cells));
        const QByteArray system = fileOf(5 * 180 + 17);
        server.write(QStringLiteral("V610/os610.bin"), system);
        QVERIFY(server.start());
        const QByteArray configRequest = "VORT01,Q007CONFIG";
        QByteArray configuration;
        QByteArray table;
        QCOMPARE(
            buildServerConfigurationImage(server.path("cfg1.txt"), configRequest, configuration)
                .status,
            ServerImageResult::Status::Built);
        QCOMPARE(buildServerGpsImage(server.path("table.txt"), table).status,
                 ServerImageResult::Status::Built);
        UdpUnitClient configUnit;
        QVERIFY(server.serve(configUnit, configRequest, configSuccess));
        QCOMPARE(configUnit.receivedImage(), configuration.left(540));
        UdpUnitClient gpsUnit;
        QVERIFY(server.serve(gpsUnit, "VORT01,GPSLOC", gpsSuccess));
        QCOMPARE(gpsUnit.receivedImage(), table.left(630));
        UdpUnitClient unit;
        QObject::connect(&unit, &UdpUnitClient::packetReceived, [&](const QByteArray &packet) {
            if (packet.startsWith("001") && unit.packets().size() == 2)
                server.process().signal(signalNumber);
        });
        QVERIFY(server.serve(unit, "VORT01,V610UPLOAD", osSuccess));
        QVERIFY(server.stop(0)); // the signal has been sent

        QCOMPARE(unit.receivedData(), padded(system));
        const QStringList lines = server.process().lines();
        QCOMPARE(lines.mid(0, 3),
                 (QStringList{"Port :0 selected !", "Started, listening on port 0",
                              "Listening on UDP port " + QString::number(server.port())}));
        QCOMPARE(lines.mid(lines.size() - 3),
                 (QStringList{QStringLiteral("Packet number 255 has been send to Tracking unit."),
                              osSuccess, server.stoppedLine()}));
        QCOMPARE(logTexts(server.logLines()),
                 (QList<QByteArray>{logStart, logLine(configRequest), logLine(configSuccess),
                                    logLine("VORT01,GPSLOC"), logLine(gpsSuccess),
                                    logLine("VORT01,V610UPLOAD"), logLine(osSuccess)}));
    }

    // An operator who presses Ctrl+C twice does not wait for a unit that has gone quiet; while it
    // waits, the summary line counts the transfer as running.
    void secondSignalEndsTransferAtOnce()
    {
        HeadlessServerRun server(QStringLiteral("--sessions 2 --summary-ms 50 --base ."));
        server.write(QStringLiteral("V610/os610.bin"), fileOf(400));
        QVERIFY(server.start());
        UdpUnitClient unit;
        unit.setSilent(true);
        QVERIFY(unit.open());
        unit.sendRequest("VORT01,V610UPLOAD", loopback, server.port());
        QVERIFY(server.process().waitForLine(
            QStringLiteral("Transfers: 1 running, 0 done, 0 given up, 0 refused")));
        // The first signal shows nothing: two more summaries (every 50 ms) prove it was taken in.
        const auto summaries = [&] { return server.process().lines().filter("Transfers:").size(); };
        const qsizetype before = summaries();
        server.process().signal(SIGINT);
        QVERIFY(QTest::qWaitFor([&] { return summaries() >= before + 2; }, 10000));
        QVERIFY(!server.process().lines().contains(server.stoppedLine()));
        QVERIFY(server.stop(SIGINT));
        const QStringList lines = server.process().lines();
        QCOMPARE(lines.mid(lines.size() - 2),
                 (QStringList{QStringLiteral("Transfers: 1 running, 0 done, 0 given up, 0 refused"),
                              server.stoppedLine()}));
        QVERIFY(lines.filter(QStringLiteral("Error2")).isEmpty());
        QCOMPARE(
            logTexts(server.logLines()),
            (QList<QByteArray>{logStart, logLine(named("VORT01,V610UPLOAD", "VORT01", unit))}));
    }

    // At start, before any unit calls, the operator learns what is served and what would fail.
    void tellsWhatItServesAtStart()
    {
        HeadlessServerRun server(QStringLiteral("--config missing.cfg --gps unit.cfg"));
        server.write(QStringLiteral("unit.cfg"), "\"V7.1\"\r\n1\r\n");
        QVERIFY(server.start());
        const QStringList expected = {
            "Server: operating system folders in " + QDir::cleanPath(server.path(".")),
            "Server: configuration file: " + server.path("missing.cfg"),
            "Server: warning: configuration file " + server.path("missing.cfg") +
                " does not exist (yet)",
            "Server: GPS location table file: " + server.path("unit.cfg"),
            "Server: warning: Error : GPS Camera file " + server.path("unit.cfg") +
                " line 1, row 0: ID \"V7.1\" is not a number"};
        QTRY_COMPARE(server.process().standardError().split('\n', Qt::SkipEmptyParts), expected);
        QVERIFY(server.stop());
    }

    // Two processes share one port: the system spreads the units between them and keeps each
    // unit with one, which serves it whole.
    void twoProcessesShareAPort()
    {
        constexpr int unitCount = 100;
        const QString shared = QStringLiteral("--reuse-port --sessions %1 --quiet").arg(unitCount);
        HeadlessServerRun first(shared);
        const QByteArray system = fileOf(3 * 180 + 5);
        first.write(QStringLiteral("V610/os610.bin"), system);
        QVERIFY(first.start());
        HeadlessServerRun second(shared, first.port());
        second.write(QStringLiteral("V610/os610.bin"), system);
        QVERIFY(second.start());

        std::array<UdpUnitClient, unitCount> units;
        for (UdpUnitClient &unit : units) {
            QVERIFY(unit.open());
            unit.sendRequest("VORT01,V610UPLOAD", loopback, first.port());
        }
        const auto served = [](HeadlessServerRun &server) {
            return server.process().lines().filter(osSuccess).size();
        };
        QVERIFY(
            QTest::qWaitFor([&] { return served(first) + served(second) >= unitCount; }, 60000));
        for (const UdpUnitClient &unit : units) { // each served whole, by one of the two
            QCOMPARE(unit.receivedData(), padded(system));
            const QString tag = named(QString(), "VORT01", unit);
            const bool inFirst = !first.process().lines().filter(tag).isEmpty();
            QVERIFY2(inFirst == second.process().lines().filter(tag).isEmpty(), qPrintable(tag));
        }
        QVERIFY(served(first) > 0 && served(second) > 0);
        // Quiet: no packet lines at fleet scale.
        QVERIFY(first.process().lines().filter(QStringLiteral("Packet number")).isEmpty());
    }

    void refusesWhatItCannotServe_data()
    {
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("output"); // a line of standard output or error
        const QString portTaken = QStringLiteral("Error : cannot listen on port %1 (");
        QTest::newRow("port taken") << QString() << 1 << portTaken;
        QTest::newRow("port held without sharing")
            << QStringLiteral("--reuse-port") << 1 << portTaken;
        for (const char *sessions : {"0", "10001", "many", ""})
            QTest::addRow("--sessions '%s'", sessions)
                << "--sessions " + QString::fromLatin1(sessions) << 2
                << QStringLiteral("Server: --sessions expects a whole number from 1 to 10000");
        QTest::newRow("no base folder")
            << QStringLiteral("--base missing") << 2 << QStringLiteral("Server: --base ");
    }
    void refusesWhatItCannotServe()
    {
        QFETCH(QString, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, output);
        QUdpSocket taken;
        QVERIFY(taken.bind(QHostAddress::AnyIPv4, 0));
        const quint16 port = taken.localPort();
        HeadlessServerRun run(arguments, port);
        ProgramProcess &server = run.process();
        QVERIFY(server.start());
        QVERIFY(server.waitForExit());
        QCOMPARE(server.exitCode(), exitCode);
        const QStringList lines =
            server.lines() + server.standardError().split('\n', Qt::SkipEmptyParts);
        const QString expected = output.contains(QStringLiteral("%1")) ? output.arg(port) : output;
        QVERIFY2(
            !lines.filter(QRegularExpression('^' + QRegularExpression::escape(expected))).isEmpty(),
            qPrintable(lines.join('|')));
    }
};

QTEST_GUILESS_MAIN(TestServerHeadless)
#include "test_server_headless.moc"
