#pragma once

#include <QSqlDatabase>
#include <QString>

// Where the fleet store lives (--store LOCATION): a file path (SQLite) or
// postgresql://[user[:password]@]host[:port]/database (PostgreSQL). Without a password in the
// location, PostgreSQL's own PGPASSWORD and ~/.pgpass apply, as with psql.
struct StoreLocation
{
    enum class Kind { Sqlite, Postgres };

    Kind kind = Kind::Sqlite;
    QString file; // SQLite
    QString host; // PostgreSQL
    int port = -1;
    QString user;
    QString password;
    QString database;
    QString error; // why the text names no store; empty when it does

    static StoreLocation parse(const QString &text);
    bool isPostgres() const { return kind == Kind::Postgres; }
    // The location as lines show it: the password left out.
    QString shown() const;
    // A connection of this thread under the name; open() it to connect.
    QSqlDatabase connection(const QString &name) const;
    // Which file the SQLite store is now (device and inode), empty when there is none: a store
    // file deleted or replaced under a running program shows as a change. Where a file held open
    // cannot be deleted (Windows), only whether it exists.
    QByteArray fileIdentity() const;
};
