// The fleet store as operators run it: Quellix and Server processes on loopback UDP sharing one
// store, the operator's command line beside them. On a SQLite file, or, when PGHOST is set (ctest
// runs it a second time under pg_virtualenv), on a real PostgreSQL server.
#include "support/program_process.h"

#include "common/store/fleet_store.h"
#include "common/store/store_location.h"
#include "common/store/store_schema.h"
#include "unit_simulator/unit_fleet.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QUdpSocket>
#include <QtTest>

#include <csignal>
#include <memory>
#include <set>

namespace {
const QHostAddress loopback(QStringLiteral("127.0.0.1"));

bool onPostgres()
{
    return qEnvironmentVariableIsSet("PGHOST");
}

QString postgresLocation(const QString &port)
{
    return QStringLiteral("postgresql://%1@%2:%3/%4")
        .arg(qEnvironmentVariable("PGUSER"), qEnvironmentVariable("PGHOST"), port,
             qEnvironmentVariable("PGDATABASE"));
}

// The store of one test: a new SQLite file, or the PostgreSQL database emptied.
struct TestStore
{
    TestStore()
        : location(onPostgres() ? postgresLocation(qEnvironmentVariable("PGPORT"))
                                : directory.filePath(QStringLiteral("fleet.db")))
    {
        if (onPostgres())
            sql(QStringLiteral(
                "DROP TABLE IF EXISTS traffic, units, commands, transfers, store_schema"));
    }

    // The rows of a statement run on the store directly, each row's values joined by blanks.
    QStringList sql(const QString &statement) const
    {
        QStringList rows;
        {
            QSqlDatabase database =
                StoreLocation::parse(location).connection(QStringLiteral("test"));
            database.open();
            QSqlQuery query(database);
            query.exec(statement);
            while (query.next()) {
                QStringList cells;
                for (int c = 0; c < query.record().count(); ++c)
                    cells << query.value(c).toString();
                rows << cells.join(u' ');
            }
        }
        QSqlDatabase::removeDatabase(QStringLiteral("test"));
        return rows;
    }

    struct Outcome
    {
        int exitCode = -1;
        QByteArray output;
        QString error;
    };
    // An operation of the operator's command line on this store.
    Outcome run(const QString &program, const QStringList &arguments) const
    {
        return runOn(location, program, arguments);
    }
    static Outcome runOn(const QString &location, const QString &program,
                         const QStringList &arguments)
    {
        QProcess process;
        process.start(program, QStringList{QStringLiteral("--store"), location} + arguments);
        process.waitForFinished(30000);
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                process.readAllStandardOutput(), QString::fromUtf8(process.readAllStandardError())};
    }
    QJsonArray commands() const
    {
        return QJsonDocument::fromJson(
                   run(QStringLiteral(QUELLIX_PATH),
                       {QStringLiteral("--commands"), QStringLiteral("--all"), "--json"})
                       .output)
            .array();
    }
    bool send(const QString &identifier, const QString &text, const QString &expires = {}) const
    {
        QStringList arguments{QStringLiteral("--send"), identifier, text};
        if (!expires.isEmpty())
            arguments << QStringLiteral("--expires") << expires;
        return run(QStringLiteral(QUELLIX_PATH), arguments).exitCode == 0;
    }

    QTemporaryDir directory;
    QString location;
};

// A headless Quellix on the store.
struct Quellix
{
    Quellix(const QString &store, const QString &instance, quint16 port = 0)
        : process(QStringLiteral(QUELLIX_PATH),
                  {QStringLiteral("--headless"), QStringLiteral("--port"), QString::number(port),
                   QStringLiteral("--reuse-port"), QStringLiteral("--store"), store,
                   QStringLiteral("--instance"), instance})
    {
    }
    // Listening, and the store's line (connected, or why not) shown.
    quint16 start(const QString &storeLine = QStringLiteral("Store: "))
    {
        const quint16 port = process.startListening();
        const bool told =
            process.waitForLine([&](const QString &line) { return line.startsWith(storeLine); });
        return told ? port : 0;
    }
    bool stop()
    {
        process.signal(SIGTERM);
        return process.waitForExit() && process.exitCode() == 0;
    }
    ProgramProcess process;
};

// Units reporting to a receiver from ports of their own: "U00042,POS".
struct ReportingUnits
{
    ReportingUnits(int count, quint16 receiverPort) : port(receiverPort)
    {
        for (int i = 0; i < count; ++i) {
            sockets.push_back(std::make_unique<QUdpSocket>());
            sockets.back()->bind(loopback, 0);
        }
    }
    static QString identifier(int unit)
    {
        return QStringLiteral("U%1").arg(unit, 5, 10, QLatin1Char('0'));
    }
    // Every unit reports once; the acknowledgements that came within the time (empty: none).
    // The wait turns the event loop, so the programs' output keeps being read.
    QList<QByteArray> round(int timeoutMs = 5000)
    {
        for (size_t i = 0; i < sockets.size(); ++i)
            sockets[i]->writeDatagram(identifier(int(i)).toLatin1() + ",POS", loopback, port);
        QList<QByteArray> replies(qsizetype(sockets.size()));
        qsizetype missing = replies.size();
        (void)QTest::qWaitFor(
            [&] {
                for (size_t i = 0; i < sockets.size(); ++i) {
                    QUdpSocket &socket = *sockets[i];
                    while (socket.hasPendingDatagrams()) {
                        QByteArray data(int(socket.pendingDatagramSize()), '\0');
                        socket.readDatagram(data.data(), data.size());
                        missing -= replies[qsizetype(i)].isEmpty() ? 1 : 0;
                        replies[qsizetype(i)] = data;
                    }
                }
                return missing == 0;
            },
            timeoutMs);
        return replies;
    }

    quint16 port;
    std::vector<std::unique_ptr<QUdpSocket>> sockets;
};

// The command in an acknowledgement "U00042,1COMMAND\r".
QString commandOf(const QByteArray &reply)
{
    return QString::fromLatin1(reply.mid(8).chopped(reply.endsWith('\r') ? 1 : 0));
}
} // namespace

class TestFleetStore : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { qInfo("store: %s", onPostgres() ? "PostgreSQL" : "SQLite"); }

    // Two instances share one port and one store while the units report; commands queued from
    // the command line reach exactly their unit, exactly once, whichever instance hears it,
    // also after one instance is killed.
    void sharedStoreDeliversEachCommandOnce()
    {
        constexpr int units = 200;
        constexpr int commands = 50;
        TestStore store;
        Quellix first(store.location, QStringLiteral("A"));
        const quint16 port = first.start();
        QVERIFY(port != 0);
        Quellix second(store.location, QStringLiteral("B"), port);
        QCOMPARE(second.start(), port);
        ReportingUnits fleet(units, port);
        // The first half before the units report, the second after an instance is killed.
        QMap<QString, QString> expected; // identifier: command
        auto queue = [&](int from, int to) {
            for (int c = from; c < to; ++c) {
                const QString identifier = ReportingUnits::identifier(c * units / commands);
                expected.insert(identifier, QStringLiteral("CMD %1").arg(c));
                if (!store.send(identifier, expected.value(identifier)))
                    return false;
            }
            return true;
        };
        QVERIFY(queue(0, commands / 2));

        QMap<QString, QStringList> delivered;
        // The units keep reporting, as a fleet does, until the commands are in (30 s at most).
        auto reportUntilDelivered = [&](int wanted, bool everyUnitAnswered) {
            QElapsedTimer reporting;
            reporting.start();
            while (reporting.elapsed() < 30000) {
                const QList<QByteArray> replies = fleet.round();
                int answered = 0;
                for (int i = 0; i < units; ++i) {
                    if (replies[i].isEmpty())
                        continue;
                    ++answered;
                    if (!replies[i].startsWith(ReportingUnits::identifier(i).toLatin1() + ",1"))
                        return false;
                    if (!commandOf(replies[i]).isEmpty())
                        delivered[ReportingUnits::identifier(i)] << commandOf(replies[i]);
                }
                if (delivered.size() >= wanted && (!everyUnitAnswered || answered == units))
                    return true;
            }
            return false;
        };
        QVERIFY(reportUntilDelivered(commands / 2, true));
        QTRY_VERIFY(store.sql(QStringLiteral("SELECT DISTINCT instance FROM traffic")).size() == 2);

        // Killed with nothing in hand: the other takes its units and their new commands.
        QTRY_COMPARE(store.sql(QStringLiteral("SELECT COUNT(*) FROM commands WHERE "
                                              "acknowledgement IS NOT NULL")),
                     QStringList{QString::number(commands / 2)});
        second.process.signal(SIGKILL);
        QVERIFY(!second.process.waitForExit());
        QVERIFY(queue(commands / 2, commands));
        QVERIFY(reportUntilDelivered(commands, false));
        QVERIFY(reportUntilDelivered(commands, true)); // and none twice meanwhile
        QVERIFY(first.stop());

        QStringList unexpected;
        for (auto it = delivered.cbegin(); it != delivered.cend(); ++it) {
            if (it.value() != QStringList{expected.value(it.key())})
                unexpected << it.key() + u' ' + it.value().join(u'|');
        }
        QCOMPARE(unexpected, QStringList());
        QCOMPARE(delivered.size(), commands);
        const QJsonArray stored = store.commands();
        QCOMPARE(stored.size(), commands);
        for (const auto &command : stored) {
            const QJsonObject object = command.toObject();
            QCOMPARE(object.value("state").toString(), QStringLiteral("sent"));
            QCOMPARE(object.value("acknowledgement").toString(),
                     object.value("identifier").toString() + ",1" +
                         object.value("text").toString());
        }
        // Both instances' traffic and units in the one store.
        QCOMPARE(store.sql(QStringLiteral("SELECT COUNT(*) FROM units")),
                 QStringList{QString::number(units)});
        QCOMPARE(store.sql(QStringLiteral("SELECT DISTINCT instance FROM traffic ORDER BY "
                                          "instance")),
                 (QStringList{"A", "B"}));
        const QJsonArray listed =
            QJsonDocument::fromJson(
                store.run(QStringLiteral(QUELLIX_PATH), {QStringLiteral("--units"), "--json"})
                    .output)
                .array();
        QCOMPARE(listed.size(), units);
        for (const char *key : {"identifier", "address", "port", "last_seen", "messages"})
            QVERIFY2(listed.first().toObject().contains(QLatin1String(key)), key);
    }

    // A restart keeps the queued commands; one not sent in time expires and is never sent; the
    // operator's command line says how each ended.
    void commandsOutliveTheProgramAndExpire()
    {
        TestStore store;
        {
            Quellix quellix(store.location, QStringLiteral("A"));
            QVERIFY(quellix.start());
            quellix.process.write("@VAN001 RESET\n");
            QVERIFY(quellix.process.waitForLine(QStringLiteral("Pending for VAN001: RESET")));
            QVERIFY(quellix.stop());
        }
        QVERIFY(store.send(QStringLiteral("VAN002"), QStringLiteral("IMMOBILISE"),
                           QStringLiteral("1s")));
        QTRY_VERIFY_WITH_TIMEOUT(
            store.commands().last().toObject().value("state").toString() == "expired", 10000);

        Quellix quellix(store.location, QStringLiteral("B"));
        const quint16 port = quellix.start();
        QVERIFY(port != 0);
        QUdpSocket van1;
        QUdpSocket van2;
        QVERIFY(van1.bind(loopback, 0) && van2.bind(loopback, 0));
        QStringList heard;
        for (int round = 0; round < 20 && !heard.contains("VAN001,1RESET\r"); ++round) {
            for (QUdpSocket *van : {&van1, &van2}) {
                van->writeDatagram(van == &van1 ? "VAN001,x" : "VAN002,x", loopback, port);
                QVERIFY(van->waitForReadyRead(5000));
                QByteArray data(int(van->pendingDatagramSize()), '\0');
                van->readDatagram(data.data(), data.size());
                heard << QString::fromLatin1(data);
            }
        }
        QCOMPARE(heard.count("VAN001,1RESET\r"), 1);
        QVERIFY(!heard.join(u' ').contains("IMMOBILISE"));
        QVERIFY(quellix.stop());
        const QJsonArray commands = store.commands();
        QCOMPARE(commands.size(), 2);
        QCOMPARE(commands[0].toObject().value("state").toString(), QStringLiteral("sent"));
        QCOMPARE(commands[0].toObject().value("instance").toString(), QStringLiteral("B"));
        QCOMPARE(commands[1].toObject().value("state").toString(), QStringLiteral("expired"));
        QVERIFY(commands[1].toObject().value("sent_at").isNull());
    }

    // The operator's command line, one operation after the other on one store: what it prints
    // and its exit statuses.
    void operatorCommandLine()
    {
        struct Step
        {
            QStringList arguments;
            int exitCode;
            QString output; // how it begins
        };
        const Step steps[] = {
            {{"--send", "VAN001", "RESET"}, 0, "Command 1 for VAN001 queued: RESET (expires at "},
            {{"--send", "VAN001", "PING", "5", "--expires", "2h"}, 0, "Command 2 for VAN001"},
            {{"--commands"}, 0, "Id  Unit    State    Queued at"},
            {{"--withdraw", "1"}, 0, "Command 1 withdrawn"},
            {{"--withdraw", "1"}, 1, ""},
            {{"--withdraw", "99"}, 4, ""},
            {{"--send", "VAN001"}, 2, ""},
            {{"--send", "VAN0011", "X"}, 2, ""},
            {{"--send", "VAN001", "X", "--expires", "0"}, 2, ""},
            {{"--transfers", "--since", "2h", "--json"}, 0, "[\n]\n"},
            {{"--transfers", "--since", "yesterday"}, 2, ""},
            {{"--campaign", "V700"}, 0, "Campaign V700: 0 units hold it, 0 gave up on it, 0 other"},
        };
        TestStore store;
        for (const Step &step : steps) {
            const QString program =
                step.arguments.contains("--transfers") || step.arguments.contains("--campaign")
                    ? QStringLiteral(SERVER_PATH)
                    : QStringLiteral(QUELLIX_PATH);
            const TestStore::Outcome outcome = store.run(program, step.arguments);
            const QByteArray what = step.arguments.join(u' ').toUtf8();
            QVERIFY2(outcome.exitCode == step.exitCode, what.constData());
            QVERIFY2(step.output.isEmpty() ||
                         QString::fromUtf8(outcome.output).startsWith(step.output),
                     what + ": " + outcome.output);
            QVERIFY2(outcome.error.isEmpty() == (step.exitCode == 0), qPrintable(outcome.error));
        }
        const QJsonArray commands = store.commands();
        QCOMPARE(commands.size(), 2);
        QCOMPARE(commands[0].toObject().value("state").toString(), QStringLiteral("withdrawn"));
        const QJsonObject ping = commands[1].toObject();
        QCOMPARE(ping.value("text").toString(), QStringLiteral("PING 5"));
        const qint64 lifetime =
            QDateTime::fromString(ping.value("queued_at").toString(), Qt::ISODateWithMs)
                .secsTo(
                    QDateTime::fromString(ping.value("expires_at").toString(), Qt::ISODateWithMs));
        QCOMPARE(lifetime, 7200);
        const TestStore::Outcome away = TestStore::runOn(store.directory.filePath("none.db"),
                                                         QStringLiteral(QUELLIX_PATH), {"--units"});
        QCOMPARE(away.exitCode, 3);
        QVERIFY2(away.error.startsWith("Store unreachable: "), qPrintable(away.error));
    }

    // A store that cannot be reached at start, is refused, or goes away: one line, and the
    // units are still answered; no stored command is sent meanwhile.
    void storeTroubleLeavesAnswering_data()
    {
        QTest::addColumn<QString>("trouble");
        QTest::addColumn<QString>("line");
        QTest::addColumn<int>("exitCode"); // of --units on it
        QTest::newRow("unreachable") << "unreachable"
                                     << "Store unreachable: " << 3;
        QTest::newRow("newer schema") << "newer"
                                      << "Store refused: " << 3;
        if (!onPostgres())
            QTest::newRow("deleted") << "deleted"
                                     << "Store: " << 0;
    }
    void storeTroubleLeavesAnswering()
    {
        QFETCH(QString, trouble);
        QFETCH(QString, line);
        QFETCH(int, exitCode);
        TestStore store;
        QString location = store.location;
        if (trouble == "unreachable") {
            location = onPostgres()
                           ? postgresLocation(QStringLiteral("1")) // nothing listens on port 1
                           : store.directory.filePath(QStringLiteral("fleet.db/x.db"));
            // SQLite: fleet.db a file, not a folder
            QVERIFY(onPostgres() || QFile(store.location).open(QIODevice::WriteOnly));
        } else {
            QVERIFY(store.send(QStringLiteral("VAN001"), QStringLiteral("RESET")));
        }
        if (trouble == "newer")
            store.sql(QStringLiteral("UPDATE store_schema SET version = 3"));
        Quellix quellix(location, QStringLiteral("A"));
        const quint16 port = quellix.start(line);
        QVERIFY(port != 0);
        if (trouble == "deleted") {
            // Told once, and made again: what comes later is in the new file. The database file
            // goes last: it is the one Quellix watches, and once it has made the store again a
            // later removal would take the new store's journal.
            for (const char *suffix : {"-wal", "-shm", ""})
                QFile::remove(store.location + suffix);
            QVERIFY(quellix.process.waitForLine(
                [&](const QString &shown) { return shown == "Store back: " + store.location; }));
            QCOMPARE(quellix.process.standardError().count(
                         "Store lost: " + store.location +
                         " (the file was deleted or replaced); rows are held"),
                     1);
        }
        // A store that refused the program keeps no command: one typed waits in memory.
        if (trouble == "newer") {
            quellix.process.write("@VAN001 ,PING\n");
            QVERIFY(quellix.process.waitForLine(QStringLiteral("Pending for VAN001: ,PING")));
        }
        QUdpSocket van;
        QVERIFY(van.bind(loopback, 0));
        for (int i = 0; i < 5; ++i) {
            van.writeDatagram("VAN001,x", loopback, port);
            QVERIFY(van.waitForReadyRead(5000));
            QByteArray data(int(van.pendingDatagramSize()), '\0');
            van.readDatagram(data.data(), data.size());
            // A store that was there has sent its command; any other sends none.
            const QByteArray expected =
                trouble == "newer" && i == 0 ? "VAN001,1,PING\r" : "VAN001,1\r";
            QVERIFY2(trouble == "deleted" ? data.startsWith("VAN001,1") : data == expected,
                     data.constData());
        }
        QVERIFY(quellix.stop());
        QCOMPARE(quellix.process.standardError().count(line), 1);
        const TestStore::Outcome listed =
            TestStore::runOn(location, QStringLiteral(QUELLIX_PATH), {QStringLiteral("--units")});
        QCOMPARE(listed.exitCode, exitCode);
        if (trouble == "newer")
            QVERIFY2(listed.error.contains("schema version 3, this program knows versions up to 2"),
                     qPrintable(listed.error));
        if (trouble == "deleted")
            QVERIFY2(listed.output.contains("VAN001"), listed.output.constData());
    }

    // Whatever a datagram and a unit's name hold reaches the store byte for byte, and a unit's
    // row adds up its reports across flushes, the newest one giving its address and message.
    void rowsKeepEveryByte()
    {
        TestStore store;
        FleetStore fleet({store.location, QStringLiteral("A"), 3600});
        fleet.start();
        QByteArray every(256, '\0');
        for (int b = 0; b < 256; ++b)
            every[b] = char(b);
        const QString odd = QStringLiteral("V\"{,}\\ \u00e9");
        fleet.addTraffic(true, 1000, QStringLiteral("::1"), 1, odd, every);
        fleet.addTraffic(false, 2000, QStringLiteral("127.0.0.1"), 65535, QStringLiteral("NULL"),
                         QByteArray());
        fleet.unitHeard(odd, QStringLiteral("::1"), 1, 1000, QStringLiteral("first \"{}\\"));
        fleet.flush();
        QTRY_COMPARE(store.sql(QStringLiteral("SELECT COUNT(*) FROM units")), QStringList{"1"});
        fleet.unitHeard(odd, QStringLiteral("127.0.0.2"), 2, 3000, QStringLiteral("second"));
        fleet.flush();
        QTRY_COMPARE(store.sql(QStringLiteral("SELECT messages FROM units")), QStringList{"2"});

        const QString hex = onPostgres() ? QStringLiteral("upper(encode(data, 'hex'))")
                                         : QStringLiteral("hex(data)");
        const QStringList traffic = store.sql(
            QStringLiteral("SELECT direction, address, port, identifier, %1, instance FROM "
                           "traffic ORDER BY time")
                .arg(hex));
        QCOMPARE(traffic, (QStringList{"in ::1 1 " + odd + u' ' + every.toHex().toUpper() + " A",
                                       "out 127.0.0.1 65535 NULL  A"}));
        QCOMPARE(store.sql(QStringLiteral("SELECT identifier, address, port, first_seen, "
                                          "last_seen, last_message FROM units")),
                 QStringList{odd + " 127.0.0.2 2 1970-01-01T00:00:01.000Z "
                                   "1970-01-01T00:00:03.000Z second"});
    }

    // The store's times are Qt's ISO text in UTC with milliseconds, which rows and readers
    // compare as text: around the epoch, leap days, centuries, the last four-digit year.
    void timesAreIsoText()
    {
        const QList<QDateTime> times{
            QDateTime(QDate(1970, 1, 1), QTime(0, 0), Qt::UTC),
            QDateTime(QDate(1969, 12, 31), QTime(23, 59, 59, 999), Qt::UTC),
            QDateTime(QDate(2000, 2, 29), QTime(12, 30, 5, 7), Qt::UTC),
            QDateTime(QDate(2100, 3, 1), QTime(0, 0, 0, 1), Qt::UTC),
            QDateTime(QDate(2026, 12, 7), QTime(14, 13, 37, 123), Qt::UTC),
            QDateTime(QDate(9999, 12, 31), QTime(23, 59, 59, 999), Qt::UTC),
            QDateTime(QDate(999, 1, 1), QTime(1, 2, 3, 4), Qt::UTC)};
        for (const QDateTime &time : times)
            QCOMPARE(StoreSchema::timeText(time.toMSecsSinceEpoch()),
                     time.toString(Qt::ISODateWithMs));
    }

    // A store not there at start: rows are held up to the bound in bytes, those beyond it
    // counted and told once; when the store appears, the rows held go in and the count is told.
    void rowsBeyondTheBoundAreDropped()
    {
        if (onPostgres())
            QSKIP("the store appears as a folder is made");
        QTemporaryDir directory;
        const QString file = directory.filePath(QStringLiteral("later/fleet.db"));
        FleetStore store({file, QStringLiteral("A"), 3600}, nullptr, qint64(64) * 1024);
        QSignalSpy lines(&store, &FleetStore::line);
        store.start();
        QTRY_COMPARE(lines.size(), 1);
        QVERIFY(lines.at(0).at(0).toString().startsWith("Store unreachable: " + file));
        const QByteArray data(1000, 'x');
        for (int row = 0; row < 100; ++row)
            store.addTraffic(true, row, "127.0.0.1", 4000, "VAN001", data);
        const quint64 dropped = store.droppedRows();
        QVERIFY(dropped > 30 && dropped < 70);
        QCOMPARE(lines.size(), 2);
        QVERIFY(lines.at(1).at(0).toString().contains("rows are dropped"));
        store.flush();

        QVERIFY(QDir(directory.path()).mkdir(QStringLiteral("later")));
        QTRY_COMPARE_WITH_TIMEOUT(lines.size(), 4, 10000);
        QVERIFY(lines.at(2).at(0).toString().startsWith("Store: " + file));
        QCOMPARE(lines.at(3).at(0).toString(),
                 QStringLiteral("Store: %1 rows dropped while the queue was full").arg(dropped));
        TestStore kept;
        kept.location = file;
        QTRY_COMPARE(kept.sql("SELECT COUNT(*) FROM traffic"),
                     QStringList{QString::number(100 - dropped)});
    }

    // The traffic table Quellix --record wrote before the store existed becomes a store.
    void recordFileMigrates()
    {
        if (onPostgres())
            QSKIP("a --record file is SQLite");
        TestStore store;
        {
            QSqlDatabase database = QSqlDatabase::addDatabase("QSQLITE", "old");
            database.setDatabaseName(store.location);
            QVERIFY(database.open());
            QSqlQuery query(database);
            QVERIFY(query.exec("CREATE TABLE traffic (time TEXT NOT NULL, direction TEXT NOT "
                               "NULL, address TEXT NOT NULL, port INTEGER NOT NULL, identifier "
                               "TEXT NOT NULL, data BLOB NOT NULL)"));
            QVERIFY(query.exec("INSERT INTO traffic VALUES ('2026-12-01T10:00:00.000Z', 'in', "
                               "'127.0.0.1', 4000, 'VAN001', 'VAN001,old')"));
        }
        QSqlDatabase::removeDatabase("old");
        QVERIFY(store.send(QStringLiteral("VAN001"), QStringLiteral("RESET")));
        QCOMPARE(store.sql("SELECT data, instance, (SELECT version FROM store_schema) FROM "
                           "traffic"),
                 QStringList{"VAN001,old  2"});
    }

    // Two Servers share a port and a store while 100 units take an operating system: each
    // transfer is recorded once, and the campaign counts them.
    void serversRecordEachTransferOnce()
    {
        constexpr int units = 100;
        TestStore store;
        QTemporaryDir base;
        QVERIFY(QDir(base.path()).mkpath(QStringLiteral("V700")));
        QFile system(base.filePath(QStringLiteral("V700/os.bin")));
        QVERIFY(system.open(QIODevice::WriteOnly) && system.write(QByteArray(900, 'A')) == 900);
        system.close();
        auto server = [&](const QString &instance, quint16 port) {
            return std::make_unique<ProgramProcess>(
                QStringLiteral(SERVER_PATH),
                QStringList{"--headless", "--port", QString::number(port), "--reuse-port",
                            "--quiet", "--sessions", QString::number(units), "--tick-ms", "100",
                            "--base", base.path(), "--store", store.location, "--instance",
                            instance},
                base.path());
        };
        auto first = server(QStringLiteral("S1"), 0);
        const quint16 port = first->startListening();
        QVERIFY(port != 0);
        auto second = server(QStringLiteral("S2"), port);
        QCOMPARE(second->startListening(), port);

        UnitFleet::Options options;
        options.port = port;
        options.request = "000000,V700,UPLOAD";
        options.units = units;
        UnitFleet fleet(options);
        QSignalSpy finished(&fleet, &UnitFleet::finished);
        QVERIFY(fleet.start());
        QVERIFY(finished.wait(60000));
        QCOMPARE(fleet.completed(), units);
        for (ProgramProcess *process : {first.get(), second.get()}) {
            process->signal(SIGTERM);
            QVERIFY(process->waitForExit());
        }

        const QJsonArray transfers =
            QJsonDocument::fromJson(
                store
                    .run(QStringLiteral(SERVER_PATH), {"--transfers", "--kind", "upload", "--json"})
                    .output)
                .array();
        QCOMPARE(transfers.size(), units);
        std::set<QString> identifiers;
        const QString sha256 = QString::fromLatin1(
            QCryptographicHash::hash(QByteArray(900, 'A'), QCryptographicHash::Sha256).toHex());
        for (const auto &transfer : transfers) {
            const QJsonObject object = transfer.toObject();
            identifiers.insert(object.value("identifier").toString());
            QCOMPARE(object.value("outcome").toString(), QStringLiteral("downloaded"));
            QCOMPARE(object.value("what").toString(), QStringLiteral("V700/os.bin"));
            QCOMPARE(object.value("sha256").toString(), sha256);
        }
        QCOMPARE(int(identifiers.size()), units);
        QCOMPARE(store.sql("SELECT COUNT(DISTINCT instance) FROM transfers"), QStringList{"2"});
        const QJsonObject campaign =
            QJsonDocument::fromJson(
                store.run(QStringLiteral(SERVER_PATH), {"--campaign", "V700", "--json"}).output)
                .object();
        QCOMPARE(campaign.value("downloaded").toArray().size(), units);
        QCOMPARE(campaign.value("counts").toObject().value("downloaded").toInt(), units);
        QCOMPARE(campaign.value("counts").toObject().value("gave_up").toInt(), 0);
        QCOMPARE(store.run(QStringLiteral(SERVER_PATH), {"--campaign", "V610", "--json"}).output,
                 QJsonDocument(QJsonObject{{"version", "V610"},
                                           {"downloaded", QJsonArray()},
                                           {"gave_up", QJsonArray()},
                                           {"counts", QJsonObject{{"downloaded", 0},
                                                                  {"gave_up", 0},
                                                                  {"other", units}}}})
                     .toJson());
    }
};

QTEST_GUILESS_MAIN(TestFleetStore)
#include "test_fleet_store.moc"
