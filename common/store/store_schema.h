#pragma once

#include <QSqlDatabase>
#include <QString>

// The one schema of the fleet store, for Server and Quellix, SQLite and PostgreSQL alike:
//   store_schema(version)
//   traffic(time, direction, address, port, identifier, data, instance)
//   units(identifier, address, port, first_seen, last_seen, messages, last_message, instance)
//   commands(id, identifier, text, queued_at, expires_at, state, sent_at, acknowledgement,
//            queued_by, instance)
//   transfers(id, identifier, address, port, kind, what, sha256, packets, timeouts, outcome,
//             started, ended, instance)
// Times are ISO 8601 UTC texts with milliseconds ("2026-12-07T12:00:00.000Z"), which sort as
// they read in both databases. Version 1 is the traffic table alone, as `Quellix --record`
// wrote it before the store existed.
namespace StoreSchema {

inline constexpr int version = 2;

struct Result
{
    enum class Status { Ready, Refused, Failed };
    Status status = Status::Failed;
    QString reason; // Refused or Failed: why, for one line
};

// Creates the schema in an empty store, migrates an older one, refuses a newer one. Safe when
// several programs open the same new store at once.
Result prepare(QSqlDatabase &database, bool postgres);

// A time as the store keeps it.
QString timeText(qint64 utcMs);

} // namespace StoreSchema
