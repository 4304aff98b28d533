#include "bulk_rows.h"

#include "store_schema.h"

#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>

#ifdef VORT_NATIVE_SQLITE
#include <dlfcn.h>
#include <sqlite3.h>

#include <optional>
#include <type_traits>
#endif

namespace {
const char trafficColumns[] = "traffic (time, direction, address, port, identifier, data, "
                              "instance)";
const char unitsColumns[] = "units (identifier, address, port, first_seen, last_seen, messages, "
                            "last_message, instance)";

// Any database Qt reaches: multi-row INSERT statements with every value bound.
class QueryBulkRows : public BulkRows
{
public:
    QueryBulkRows(const QSqlDatabase &database, const QString &instance)
        : BulkRows(instance), m_insert(database)
    {
    }

    bool insertTraffic(const std::vector<TrafficRow> &rows) override
    {
        std::vector<QVariantList> values;
        values.reserve(rows.size());
        const QString in = QStringLiteral("in");
        const QString out = QStringLiteral("out");
        for (const TrafficRow &row : rows)
            values.push_back({StoreSchema::timeText(row.utcMs), row.received ? in : out,
                              row.address, row.port, row.identifier, row.data, m_instance});
        return insert(QLatin1String(trafficColumns), {}, values);
    }

    bool upsertUnits(const QHash<QString, UnitSeen> &units) override
    {
        std::vector<QVariantList> values;
        values.reserve(size_t(units.size()));
        for (auto it = units.cbegin(); it != units.cend(); ++it) {
            const UnitSeen &unit = it.value();
            values.push_back(
                {it.key(), unit.address, unit.port, StoreSchema::timeText(unit.firstMs),
                 StoreSchema::timeText(unit.lastMs), unit.messages, unit.lastMessage, m_instance});
        }
        return insert(QLatin1String(unitsColumns), unitsConflictRule(), values);
    }

private:
    bool insert(const QString &columns, const QString &tail, const std::vector<QVariantList> &rows)
    {
        return m_insert.run(columns, tail, rows, &m_error);
    }

    MultiRowInsert m_insert;
};

// PostgreSQL: each column of a batch as one array, unnested into rows by a single statement.
class PostgresBulkRows : public BulkRows
{
public:
    PostgresBulkRows(const QSqlDatabase &database, const QString &instance)
        : BulkRows(instance), m_traffic(database), m_units(database)
    {
        m_traffic.prepare(QStringLiteral("INSERT INTO ") + QLatin1String(trafficColumns) +
                          QStringLiteral(" SELECT t, d, a, p, i, x, ? FROM unnest(CAST(? AS "
                                         "text[]), CAST(? AS text[]), CAST(? AS text[]), CAST(? "
                                         "AS integer[]), CAST(? AS text[]), CAST(? AS bytea[])) "
                                         "AS r(t, d, a, p, i, x)"));
        m_units.prepare(QStringLiteral("INSERT INTO ") + QLatin1String(unitsColumns) +
                        QStringLiteral(" SELECT i, a, p, f, l, m, t, ? FROM unnest(CAST(? AS "
                                       "text[]), CAST(? AS text[]), CAST(? AS integer[]), CAST(? "
                                       "AS text[]), CAST(? AS text[]), CAST(? AS bigint[]), "
                                       "CAST(? AS text[])) AS r(i, a, p, f, l, m, t)") +
                        unitsConflictRule());
    }

    bool insertTraffic(const std::vector<TrafficRow> &rows) override
    {
        if (rows.empty())
            return true;
        ArrayText times, directions, addresses, ports, identifiers, data;
        for (const TrafficRow &row : rows) {
            times.addText(StoreSchema::timeText(row.utcMs));
            directions.addText(row.received ? QStringLiteral("in") : QStringLiteral("out"));
            addresses.addText(row.address);
            ports.addNumber(row.port);
            identifiers.addText(row.identifier);
            data.addBytes(row.data);
        }
        return run(m_traffic, {m_instance, times.text(), directions.text(), addresses.text(),
                               ports.text(), identifiers.text(), data.text()});
    }

    bool upsertUnits(const QHash<QString, UnitSeen> &units) override
    {
        if (units.isEmpty())
            return true;
        ArrayText identifiers, addresses, ports, first, last, messages, lastMessages;
        for (auto it = units.cbegin(); it != units.cend(); ++it) {
            const UnitSeen &unit = it.value();
            identifiers.addText(it.key());
            addresses.addText(unit.address);
            ports.addNumber(unit.port);
            first.addText(StoreSchema::timeText(unit.firstMs));
            last.addText(StoreSchema::timeText(unit.lastMs));
            messages.addNumber(unit.messages);
            lastMessages.addText(unit.lastMessage);
        }
        return run(m_units, {m_instance, identifiers.text(), addresses.text(), ports.text(),
                             first.text(), last.text(), messages.text(), lastMessages.text()});
    }

private:
    // An array literal, '{"a","b\"c"}': each element quoted, its quotes and backslashes escaped.
    class ArrayText
    {
    public:
        void addText(const QString &element)
        {
            open();
            m_text += u'"';
            for (const QChar c : element) {
                if (c == u'"' || c == u'\\')
                    m_text += u'\\';
                m_text += c;
            }
            m_text += u'"';
        }
        // bytea's hex form, "\\x4142", whatever the bytes.
        void addBytes(const QByteArray &bytes)
        {
            open();
            m_text += QLatin1String("\"\\\\x") + QLatin1String(bytes.toHex()) + u'"';
        }
        void addNumber(qint64 number)
        {
            open();
            m_text += QString::number(number);
        }
        QString text() const { return m_text + u'}'; }

    private:
        void open() { m_text += m_text.isEmpty() ? u'{' : u','; }
        QString m_text;
    };

    bool run(QSqlQuery &query, const QVariantList &values)
    {
        return execBound(query, values, &m_error);
    }

    QSqlQuery m_traffic;
    QSqlQuery m_units;
};

#ifdef VORT_NATIVE_SQLITE
// The calls of the SQLite library that Qt's driver loaded for the connection, looked up in that
// library itself: the rows go through the very code that owns the connection, and the programs
// neither link nor load SQLite before a store is opened. Null when that library is not loaded
// (a driver built with its own copy of SQLite), and the rows then go through Qt's queries.
struct SqliteCalls
{
    decltype(&sqlite3_prepare_v2) prepare = nullptr;
    decltype(&sqlite3_bind_text) bindText = nullptr;
    decltype(&sqlite3_bind_int) bindInt = nullptr;
    decltype(&sqlite3_bind_int64) bindInt64 = nullptr;
    decltype(&sqlite3_bind_blob) bindBlob = nullptr;
    decltype(&sqlite3_step) step = nullptr;
    decltype(&sqlite3_reset) reset = nullptr;
    decltype(&sqlite3_clear_bindings) clearBindings = nullptr;
    decltype(&sqlite3_finalize) finalize = nullptr;
    decltype(&sqlite3_errmsg) errorMessage = nullptr;

    static const SqliteCalls *ofLoadedLibrary()
    {
        static const std::optional<SqliteCalls> calls = []() -> std::optional<SqliteCalls> {
            void *library = dlopen("libsqlite3.so.0", RTLD_LAZY | RTLD_NOLOAD);
            if (!library)
                return std::nullopt;
            SqliteCalls found;
            bool complete = true;
            const auto resolve = [&](auto &call, const char *name) {
                call =
                    reinterpret_cast<std::remove_reference_t<decltype(call)>>(dlsym(library, name));
                complete = complete && call;
            };
            resolve(found.prepare, "sqlite3_prepare_v2");
            resolve(found.bindText, "sqlite3_bind_text");
            resolve(found.bindInt, "sqlite3_bind_int");
            resolve(found.bindInt64, "sqlite3_bind_int64");
            resolve(found.bindBlob, "sqlite3_bind_blob");
            resolve(found.step, "sqlite3_step");
            resolve(found.reset, "sqlite3_reset");
            resolve(found.clearBindings, "sqlite3_clear_bindings");
            resolve(found.finalize, "sqlite3_finalize");
            resolve(found.errorMessage, "sqlite3_errmsg");
            // The library stays loaded: the driver holds it, and so does this reference.
            if (!complete)
                return std::nullopt;
            return found;
        }();
        return calls ? &*calls : nullptr;
    }
};

// SQLite through the connection Qt opened: the statements prepared once, each row bound and
// stepped in SQLite's own calls.
class SqliteBulkRows : public BulkRows
{
public:
    SqliteBulkRows(const SqliteCalls &sqlite, sqlite3 *database, const QString &instance)
        : BulkRows(instance), m_sqlite(sqlite), m_database(database),
          m_instanceUtf8(instance.toUtf8())
    {
        m_traffic =
            prepare(QByteArray("INSERT INTO ") + trafficColumns + " VALUES (?, ?, ?, ?, ?, ?, ?)");
        m_units = prepare(QByteArray("INSERT INTO ") + unitsColumns +
                          " VALUES (?, ?, ?, ?, ?, ?, ?, ?)" + unitsConflictRule().toUtf8());
    }
    ~SqliteBulkRows() override
    {
        m_sqlite.finalize(m_traffic);
        m_sqlite.finalize(m_units);
    }
    SqliteBulkRows(const SqliteBulkRows &) = delete;
    SqliteBulkRows &operator=(const SqliteBulkRows &) = delete;

    bool insertTraffic(const std::vector<TrafficRow> &rows) override
    {
        for (const TrafficRow &row : rows) {
            const QString time = StoreSchema::timeText(row.utcMs);
            bindText(m_traffic, 1, time);
            m_sqlite.bindText(m_traffic, 2, row.received ? "in" : "out", -1, SQLITE_STATIC);
            bindText(m_traffic, 3, row.address);
            m_sqlite.bindInt(m_traffic, 4, row.port);
            bindText(m_traffic, 5, row.identifier);
            m_sqlite.bindBlob(m_traffic, 6, row.data.constData(), int(row.data.size()),
                              SQLITE_STATIC);
            m_sqlite.bindText(m_traffic, 7, m_instanceUtf8.constData(), int(m_instanceUtf8.size()),
                              SQLITE_STATIC);
            if (!step(m_traffic))
                return false;
        }
        return true;
    }

    bool upsertUnits(const QHash<QString, UnitSeen> &units) override
    {
        for (auto it = units.cbegin(); it != units.cend(); ++it) {
            const UnitSeen &unit = it.value();
            const QString first = StoreSchema::timeText(unit.firstMs);
            const QString last = StoreSchema::timeText(unit.lastMs);
            bindText(m_units, 1, it.key());
            bindText(m_units, 2, unit.address);
            m_sqlite.bindInt(m_units, 3, unit.port);
            bindText(m_units, 4, first);
            bindText(m_units, 5, last);
            m_sqlite.bindInt64(m_units, 6, unit.messages);
            bindText(m_units, 7, unit.lastMessage);
            m_sqlite.bindText(m_units, 8, m_instanceUtf8.constData(), int(m_instanceUtf8.size()),
                              SQLITE_STATIC);
            if (!step(m_units))
                return false;
        }
        return true;
    }

private:
    sqlite3_stmt *prepare(const QByteArray &sql)
    {
        sqlite3_stmt *statement = nullptr;
        if (m_sqlite.prepare(m_database, sql.constData(), int(sql.size()), &statement, nullptr) !=
            SQLITE_OK)
            m_error = QString::fromUtf8(m_sqlite.errorMessage(m_database));
        return statement;
    }

    // As UTF-8, the store's encoding: Qt's conversion is quicker than SQLite's own. The bytes
    // are copied, since the row's texts are made for the bind.
    void bindText(sqlite3_stmt *statement, int column, const QString &text)
    {
        const QByteArray utf8 = text.toUtf8();
        m_sqlite.bindText(statement, column, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
    }

    bool step(sqlite3_stmt *statement)
    {
        if (!statement)
            return false; // not prepared: the reason is in error() already
        const int result = m_sqlite.step(statement);
        m_sqlite.reset(statement);
        m_sqlite.clearBindings(statement);
        if (result == SQLITE_DONE)
            return true;
        m_error = QString::fromUtf8(m_sqlite.errorMessage(m_database));
        return false;
    }

    const SqliteCalls &m_sqlite;
    sqlite3 *m_database;
    QByteArray m_instanceUtf8;
    sqlite3_stmt *m_traffic = nullptr;
    sqlite3_stmt *m_units = nullptr;
};
#endif
} // namespace

bool execBound(QSqlQuery &query, const QVariantList &values, QString *error)
{
    for (const QVariant &value : values)
        query.addBindValue(value);
    if (query.exec())
        return true;
    *error = query.lastError().text();
    return false;
}

bool MultiRowInsert::run(const QString &tableColumns, const QString &tail,
                         const std::vector<QVariantList> &rows, QString *error)
{
    constexpr int rowsPerStatement = 100;
    if (rows.empty())
        return true;
    QString one = QStringLiteral("(?");
    for (qsizetype c = 1; c < rows.front().size(); ++c)
        one += QStringLiteral(", ?");
    one += u')';
    for (size_t first = 0; first < rows.size(); first += rowsPerStatement) {
        const int count = int(qMin<size_t>(rowsPerStatement, rows.size() - first));
        const QString sql = QStringLiteral("INSERT INTO ") + tableColumns +
                            QStringLiteral(" VALUES ") +
                            QStringList(count, one).join(QStringLiteral(", ")) + tail;
        auto found = m_statements.find(sql);
        if (found == m_statements.end()) {
            auto query = std::make_shared<QSqlQuery>(m_database);
            query->prepare(sql);
            found = m_statements.insert(sql, query);
        }
        QSqlQuery &query = *found.value();
        for (int r = 0; r < count; ++r) {
            for (const QVariant &value : rows[first + size_t(r)])
                query.addBindValue(value);
        }
        if (!query.exec()) {
            *error = query.lastError().text();
            return false;
        }
    }
    return true;
}

QString BulkRows::unitsConflictRule()
{
    const QString newer = QStringLiteral("excluded.last_seen >= units.last_seen");
    return QStringLiteral(
               " ON CONFLICT (identifier) DO UPDATE SET address = CASE WHEN %1 THEN "
               "excluded.address ELSE units.address END, port = CASE WHEN %1 THEN "
               "excluded.port ELSE units.port END, last_message = CASE WHEN %1 THEN "
               "excluded.last_message ELSE units.last_message END, instance = CASE WHEN "
               "%1 THEN excluded.instance ELSE units.instance END, last_seen = CASE WHEN "
               "%1 THEN excluded.last_seen ELSE units.last_seen END, first_seen = CASE "
               "WHEN excluded.first_seen < units.first_seen THEN excluded.first_seen "
               "ELSE units.first_seen END, messages = units.messages + "
               "excluded.messages")
        .arg(newer);
}

std::unique_ptr<BulkRows> BulkRows::create(const QSqlDatabase &database, bool postgres,
                                           const QString &instance)
{
    if (postgres)
        return std::make_unique<PostgresBulkRows>(database, instance);
#ifdef VORT_NATIVE_SQLITE
    const QVariant handle = database.driver()->handle();
    if (handle.isValid() && qstrcmp(handle.typeName(), "sqlite3*") == 0) {
        sqlite3 *native = *static_cast<sqlite3 *const *>(handle.constData());
        if (const SqliteCalls *sqlite = SqliteCalls::ofLoadedLibrary(); sqlite && native)
            return std::make_unique<SqliteBulkRows>(*sqlite, native, instance);
    }
#endif
    return std::make_unique<QueryBulkRows>(database, instance);
}
