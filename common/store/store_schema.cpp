#include "store_schema.h"

#include <array>

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
    // QDateTime's ISO text in UTC with milliseconds ("2026-12-07T14:13:37.123Z"), made here
    // without its calendar and time-zone machinery since every row is stamped: days to a civil
    // date as in the proleptic Gregorian calendar.
    constexpr qint64 msPerDay = 86400000;
    qint64 days = utcMs / msPerDay;
    qint64 ms = utcMs % msPerDay;
    if (ms < 0) {
        ms += msPerDay;
        --days;
    }
    const qint64 shifted = days + 719468; // from 0000-03-01
    const qint64 era = (shifted >= 0 ? shifted : shifted - 146096) / 146097;
    const qint64 dayOfEra = shifted - era * 146097;
    const qint64 yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const qint64 dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const qint64 monthFromMarch = (5 * dayOfYear + 2) / 153;
    const qint64 day = dayOfYear - (153 * monthFromMarch + 2) / 5 + 1;
    const qint64 month = monthFromMarch < 10 ? monthFromMarch + 3 : monthFromMarch - 9;
    const qint64 year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
    if (year < 1000 || year > 9999)
        return QDateTime::fromMSecsSinceEpoch(utcMs, Qt::UTC).toString(Qt::ISODateWithMs);
    std::array<char, 24> text{};
    const auto put = [&text](qsizetype at, qint64 value, int digits) {
        for (qsizetype i = at + digits - 1; i >= at; --i, value /= 10)
            text[std::size_t(i)] = char('0' + value % 10);
    };
    put(0, year, 4);
    text[4] = '-';
    put(5, month, 2);
    text[7] = '-';
    put(8, day, 2);
    text[10] = 'T';
    put(11, ms / 3600000, 2);
    text[13] = ':';
    put(14, ms / 60000 % 60, 2);
    text[16] = ':';
    put(17, ms / 1000 % 60, 2);
    text[19] = '.';
    put(20, ms % 1000, 3);
    text[23] = 'Z';
    return QString::fromLatin1(text.data(), qsizetype(text.size()));
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
