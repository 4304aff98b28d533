#include "store_schema.h"

#include <QDateTime>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>

namespace {
// Any number, the same in every program: the lock that makes the first schema creation one.
constexpr qint64 schemaLockKey = 6081026;

QStringList creation(int from, bool postgres)
{
    const QString id = postgres ? QStringLiteral("BIGSERIAL PRIMARY KEY")
                                : QStringLiteral("INTEGER PRIMARY KEY AUTOINCREMENT");
    QStringList statements;
    if (from < 1)
        statements << QStringLiteral("CREATE TABLE traffic (time TEXT NOT NULL, direction TEXT NOT "
                                     "NULL, address TEXT NOT NULL, port INTEGER NOT NULL, "
                                     "identifier TEXT NOT NULL, data %1 NOT NULL, instance TEXT "
                                     "NOT NULL DEFAULT '')")
                          .arg(postgres ? QStringLiteral("BYTEA") : QStringLiteral("BLOB"));
    else
        statements << QStringLiteral(
            "ALTER TABLE traffic ADD COLUMN instance TEXT NOT NULL DEFAULT ''");
    statements << QStringLiteral("CREATE TABLE store_schema (version INTEGER NOT NULL)")
               << QStringLiteral("CREATE TABLE units (identifier TEXT PRIMARY KEY, address TEXT "
                                 "NOT NULL, port INTEGER NOT NULL, first_seen TEXT NOT NULL, "
                                 "last_seen TEXT NOT NULL, messages BIGINT NOT NULL, last_message "
                                 "TEXT NOT NULL, instance TEXT NOT NULL)")
               << QStringLiteral("CREATE TABLE commands (id %1, identifier TEXT NOT NULL, text "
                                 "TEXT NOT NULL, queued_at TEXT NOT NULL, expires_at TEXT NOT "
                                 "NULL, state TEXT NOT NULL, sent_at TEXT, acknowledgement TEXT, "
                                 "queued_by TEXT NOT NULL, instance TEXT)")
                      .arg(id)
               << QStringLiteral("CREATE INDEX commands_pending ON commands (state, identifier)")
               << QStringLiteral("CREATE TABLE transfers (id %1, identifier TEXT NOT NULL, address "
                                 "TEXT NOT NULL, port INTEGER NOT NULL, kind TEXT NOT NULL, what "
                                 "TEXT NOT NULL, sha256 TEXT NOT NULL, packets INTEGER NOT NULL, "
                                 "timeouts INTEGER NOT NULL, outcome TEXT NOT NULL, started TEXT "
                                 "NOT NULL, ended TEXT NOT NULL, instance TEXT NOT NULL)")
                      .arg(id)
               << QStringLiteral("CREATE INDEX transfers_unit ON transfers (identifier, started)");
    return statements;
}

StoreSchema::Result failed(const QSqlError &error)
{
    return {StoreSchema::Result::Status::Failed, error.text().trimmed()};
}

// The version the store holds: 0 empty, 1 the traffic table alone; -1 when it cannot be read.
int storedVersion(QSqlDatabase &database, QSqlQuery &query)
{
    const QStringList tables = database.tables();
    if (!tables.contains(QStringLiteral("store_schema")))
        return tables.contains(QStringLiteral("traffic")) ? 1 : 0;
    if (!query.exec(QStringLiteral("SELECT MAX(version) FROM store_schema")) || !query.next())
        return -1;
    return query.value(0).toInt();
}
} // namespace

QString StoreSchema::timeText(qint64 utcMs)
{
    return QDateTime::fromMSecsSinceEpoch(utcMs, Qt::UTC).toString(Qt::ISODateWithMs);
}

StoreSchema::Result StoreSchema::prepare(QSqlDatabase &database, bool postgres)
{
    QSqlQuery query(database);
    if (!postgres) {
        // Readers and the writer do not block each other.
        query.exec(QStringLiteral("PRAGMA journal_mode=WAL"));
        query.exec(QStringLiteral("PRAGMA synchronous=NORMAL"));
    }
    // One program at a time looks at the schema and creates it.
    if (!(postgres ? database.transaction() : query.exec(QStringLiteral("BEGIN IMMEDIATE"))))
        return failed(postgres ? database.lastError() : query.lastError());
    if (postgres &&
        !query.exec(QStringLiteral("SELECT pg_advisory_xact_lock(%1)").arg(schemaLockKey))) {
        Result result = failed(query.lastError());
        database.rollback();
        return result;
    }
    const int stored = storedVersion(database, query);
    Result result{Result::Status::Ready, {}};
    if (stored < 0) {
        result = failed(query.lastError());
    } else if (stored > version) {
        result = {Result::Status::Refused,
                  QStringLiteral("it has schema version %1, this program knows versions up to "
                                 "%2; use a newer release of the tool set")
                      .arg(stored)
                      .arg(version)};
    } else if (stored < version) {
        for (const QString &statement : creation(stored, postgres)) {
            if (!query.exec(statement)) {
                result = failed(query.lastError());
                break;
            }
        }
        if (result.status == Result::Status::Ready &&
            !query.exec(
                QStringLiteral("INSERT INTO store_schema (version) VALUES (%1)").arg(version)))
            result = failed(query.lastError());
    }
    if (result.status != Result::Status::Ready) {
        if (postgres)
            database.rollback();
        else
            query.exec(QStringLiteral("ROLLBACK"));
        return result;
    }
    if (!(postgres ? database.commit() : query.exec(QStringLiteral("COMMIT"))))
        return failed(postgres ? database.lastError() : query.lastError());
    return result;
}
