#pragma once

#include <QByteArray>
#include <QHash>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariantList>

#include <memory>
#include <vector>

// A datagram as handed in; the writer makes its row (the time as text, the direction's word).
struct TrafficRow
{
    qint64 utcMs = 0;
    bool received = false;
    QString address;
    quint16 port = 0;
    QString identifier;
    QByteArray data;
};

// What a unit did since the last flush, as its row in units gets it.
struct UnitSeen
{
    QString address;
    quint16 port = 0;
    qint64 firstMs = 0;
    qint64 lastMs = 0;
    qint64 messages = 0;
    QString lastMessage;
};

// Binds the values in order and runs the prepared query; an error leaves its text in *error.
bool execBound(QSqlQuery &query, const QVariantList &values, QString *error);

// INSERT INTO table (columns) VALUES (?, ...), (?, ...) tail, every value bound, up to 100 rows a
// statement; each statement is prepared once. Fit for any database Qt reaches.
class MultiRowInsert
{
public:
    explicit MultiRowInsert(const QSqlDatabase &database) : m_database(database) {}
    // tableColumns: "traffic (time, direction, ...)". An error leaves its text in *error.
    bool run(const QString &tableColumns, const QString &tail,
             const std::vector<QVariantList> &rows, QString *error);

private:
    QSqlDatabase m_database;
    QHash<QString, std::shared_ptr<QSqlQuery>> m_statements;
};

// The rows a store gets by the thousand (each datagram, each unit heard), written by the
// quickest path its database offers: a statement prepared once and stepped per row on SQLite,
// one statement over arrays on PostgreSQL. Binding value by value through QSqlQuery cost three
// times the rest of a message's handling. Runs inside the caller's transaction; an error leaves
// its text in error().
class BulkRows
{
public:
    static std::unique_ptr<BulkRows> create(const QSqlDatabase &database, bool postgres,
                                            const QString &instance);
    virtual ~BulkRows() = default;

    virtual bool insertTraffic(const std::vector<TrafficRow> &rows) = 0;
    // The latest report wins, whichever instance writes it last; counts add up.
    virtual bool upsertUnits(const QHash<QString, UnitSeen> &units) = 0;
    QString error() const { return m_error; }

protected:
    explicit BulkRows(QString instance) : m_instance(std::move(instance)) {}
    static QString unitsConflictRule();

    QString m_instance;
    QString m_error;
};
