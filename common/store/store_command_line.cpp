#include "store_command_line.h"

#include "store_location.h"
#include "store_schema.h"

#include "common/console_lines.h"

#include <QCommandLineParser>
#include <QDateTime>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QUuid>

#include <cstdio>
#include <functional>
#include <map>
#include <set>

namespace {
// One connection for the run of an operation.
class OperatorStore
{
public:
    explicit OperatorStore(const QString &text)
        : m_location(StoreLocation::parse(text)),
          m_name(QStringLiteral("operator-") + QUuid::createUuid().toString())
    {
    }
    ~OperatorStore()
    {
        m_database = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_name);
    }

    // The reason it cannot be used, or empty. Only an operation that adds to the store creates
    // a SQLite file that is not there.
    QString open(bool create)
    {
        if (!m_location.error.isEmpty())
            return m_location.error;
        if (!create && !m_location.isPostgres() && !QFileInfo::exists(m_location.file))
            return QStringLiteral("no such file");
        m_database = m_location.connection(m_name);
        if (!m_database.isValid())
            return QStringLiteral("no driver for it in Qt SQL");
        if (!m_database.open())
            return m_database.lastError().text().trimmed();
        const StoreSchema::Result schema =
            StoreSchema::prepare(m_database, m_location.isPostgres());
        return schema.reason;
    }
    QString shown() const { return m_location.shown(); }

    // Runs the statement; false (with a line on standard error) when it fails.
    bool exec(QSqlQuery &query, const QString &sql, const QVariantList &values = {})
    {
        query = QSqlQuery(m_database);
        query.prepare(sql);
        for (const QVariant &value : values)
            query.addBindValue(value);
        if (query.exec())
            return true;
        ConsoleLines::writeError(
            QStringLiteral("Store %1: %2").arg(shown(), query.lastError().text().trimmed()));
        return false;
    }

    // Commands whose time has passed are marked expired before they are shown or changed.
    bool expire()
    {
        QSqlQuery query;
        return exec(query,
                    QStringLiteral("UPDATE commands SET state = 'expired' WHERE state = "
                                   "'pending' AND expires_at <= ?"),
                    {StoreSchema::timeText(QDateTime::currentMSecsSinceEpoch())});
    }

private:
    StoreLocation m_location;
    QString m_name;
    QSqlDatabase m_database;
};

void writeOut(const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

// A table for people: a heading, then the rows, each column as wide as its widest cell.
QString table(const QStringList &heading, const QList<QStringList> &rows)
{
    QList<qsizetype> widths;
    for (const QString &cell : heading)
        widths << cell.size();
    for (const QStringList &row : rows) {
        for (qsizetype c = 0; c < row.size() && c < widths.size(); ++c)
            widths[c] = qMax(widths[c], row[c].size());
    }
    QString text;
    auto add = [&](const QStringList &cells) {
        QString line;
        for (qsizetype c = 0; c < cells.size(); ++c)
            line += c + 1 < cells.size() ? cells[c].leftJustified(widths[c] + 2) : cells[c];
        text += line + u'\n';
    };
    add(heading);
    for (const QStringList &row : rows)
        add(row);
    return text;
}

QString json(const QJsonValue &value)
{
    return QString::fromUtf8(value.isArray()
                                 ? QJsonDocument(value.toArray()).toJson(QJsonDocument::Indented)
                                 : QJsonDocument(value.toObject()).toJson(QJsonDocument::Indented));
}

QJsonValue nullable(const QVariant &value)
{
    return value.isNull() ? QJsonValue() : QJsonValue(value.toString());
}

// The rows of a query as JSON objects, with these keys in the order of the selected columns;
// numbers stay numbers.
QJsonArray objects(QSqlQuery &query, const QSet<QString> &numbers)
{
    QJsonArray array;
    while (query.next()) {
        QJsonObject object;
        const QSqlRecord record = query.record();
        for (int c = 0; c < record.count(); ++c) {
            const QString key = record.fieldName(c);
            object.insert(key, numbers.contains(key) ? QJsonValue(query.value(c).toLongLong())
                                                     : nullable(query.value(c)));
        }
        array.append(object);
    }
    return array;
}

QList<QStringList> cells(const QJsonArray &array, const QStringList &keys)
{
    QList<QStringList> rows;
    for (const auto &value : array) {
        QStringList row;
        for (const QString &key : keys) {
            const QJsonValue cell = value.toObject().value(key);
            row << (cell.isDouble() ? QString::number(cell.toInteger()) : cell.toString());
        }
        rows << row;
    }
    return rows;
}

QString secondsAgo(const QString &time)
{
    const QDateTime then = QDateTime::fromString(time, Qt::ISODateWithMs);
    if (!then.isValid())
        return {};
    return QStringLiteral("%1 s ago").arg(then.secsTo(QDateTime::currentDateTimeUtc()));
}

// An ISO 8601 time or date (UTC when no zone is given), or a duration back from now ("2h").
std::optional<QString> sinceTime(const QString &text)
{
    if (const std::optional<qint64> seconds = StoreCommandLine::durationSeconds(text))
        return StoreSchema::timeText(QDateTime::currentMSecsSinceEpoch() - *seconds * 1000);
    QDateTime time = QDateTime::fromString(text, Qt::ISODateWithMs);
    if (!time.isValid())
        time = QDateTime::fromString(text, Qt::ISODate);
    if (!time.isValid())
        return std::nullopt;
    if (time.timeSpec() == Qt::LocalTime && !text.contains(u'+') && !text.endsWith(u'Z'))
        time.setTimeSpec(Qt::UTC);
    return StoreSchema::timeText(time.toMSecsSinceEpoch());
}

int unreachable(const OperatorStore &store, const QString &reason)
{
    ConsoleLines::writeError(
        QStringLiteral("Store unreachable: %1 (%2)").arg(store.shown(), reason));
    return StoreCommandLine::StoreUnreachable;
}

int bad(const QString &line)
{
    ConsoleLines::writeError(line);
    return StoreCommandLine::BadCommandLine;
}
} // namespace

StoreCommandLine::StoreCommandLine(Program program)
    : m_program(program),
      m_store(QStringLiteral("store"),
              QStringLiteral("The fleet store: a SQLite file, or postgresql://[user[:password]@]"
                             "host[:port]/database (the password may come from PGPASSWORD or "
                             "~/.pgpass)."),
              QStringLiteral("location")),
      m_record(QStringLiteral("record"), QStringLiteral("The same as --store <file>."),
               QStringLiteral("file")),
      m_instance(QStringLiteral("instance"),
                 QStringLiteral("This program's name in the store (default: host name:process "
                                "id)."),
                 QStringLiteral("name")),
      m_expires(QStringLiteral("expires"),
                QStringLiteral("A stored command not sent within <duration> (90s, 15m, 2h, 3d) "
                               "expires; default 1h."),
                QStringLiteral("duration")),
      m_json(QStringLiteral("json"), QStringLiteral("Operations print JSON instead of a table.")),
      m_units(QStringLiteral("units"), QStringLiteral("Prints the units in the store.")),
      m_commands(QStringLiteral("commands"),
                 QStringLiteral("Prints the pending commands (with --all: every command).")),
      m_all(QStringLiteral("all"), QStringLiteral("With --commands: every command.")),
      m_send(QStringLiteral("send"),
             QStringLiteral("Queues the command given after the options for the unit <id>; it "
                            "goes with the unit's next acknowledgement."),
             QStringLiteral("id")),
      m_withdraw(QStringLiteral("withdraw"),
                 QStringLiteral("Withdraws the pending command number <n>."), QStringLiteral("n")),
      m_transfers(QStringLiteral("transfers"), QStringLiteral("Prints the transfers recorded.")),
      m_since(QStringLiteral("since"),
              QStringLiteral("With --transfers: those started since <time> (ISO 8601, UTC "
                             "unless it says otherwise, or a duration back from now: 2h)."),
              QStringLiteral("time")),
      m_kind(QStringLiteral("kind"),
             QStringLiteral("With --transfers: those of <kind> (UPLOAD, CONFIG, GPSLOC)."),
             QStringLiteral("kind")),
      m_unit(QStringLiteral("unit"), QStringLiteral("With --transfers: those of the unit <id>."),
             QStringLiteral("id")),
      m_campaign(QStringLiteral("campaign"),
                 QStringLiteral("Prints which units hold operating system <version> as their "
                                "latest download, which gave up on it, and the counts."),
                 QStringLiteral("version"))
{
}

void StoreCommandLine::addTo(QCommandLineParser &parser) const
{
    parser.addOptions({m_store, m_instance, m_json});
    if (m_program == Program::Quellix)
        parser.addOptions({m_record, m_expires, m_units, m_commands, m_all, m_send, m_withdraw});
    else
        parser.addOptions({m_transfers, m_since, m_kind, m_unit, m_campaign});
}

bool StoreCommandLine::isOperation(const QCommandLineParser &parser) const
{
    const QList<const QCommandLineOption *> operations =
        m_program == Program::Quellix
            ? QList<const QCommandLineOption *>{&m_units, &m_commands, &m_send, &m_withdraw}
            : QList<const QCommandLineOption *>{&m_transfers, &m_campaign};
    return std::any_of(operations.cbegin(), operations.cend(),
                       [&](const QCommandLineOption *option) { return parser.isSet(*option); });
}

std::optional<qint64> StoreCommandLine::durationSeconds(const QString &text)
{
    static const std::map<QChar, qint64> units{{u's', 1}, {u'm', 60}, {u'h', 3600}, {u'd', 86400}};
    QString number = text.trimmed();
    qint64 unit = 1;
    if (!number.isEmpty()) {
        const auto found = units.find(number.back());
        if (found != units.end()) {
            unit = found->second;
            number.chop(1);
        }
    }
    bool ok = false;
    const qint64 count = number.toLongLong(&ok);
    if (!ok || count <= 0 || count > qint64(3650) * 86400 / unit)
        return std::nullopt;
    return count * unit;
}

std::optional<StoreSettings> StoreCommandLine::settings(const QCommandLineParser &parser) const
{
    StoreSettings settings;
    settings.location = parser.value(m_store);
    if (m_program == Program::Quellix && parser.isSet(m_record)) {
        if (parser.isSet(m_store) && parser.value(m_store) != parser.value(m_record)) {
            bad(QStringLiteral("--record and --store name different stores; give one."));
            return std::nullopt;
        }
        settings.location = parser.value(m_record);
    }
    const bool named =
        parser.isSet(m_store) || (m_program == Program::Quellix && parser.isSet(m_record));
    if (named && settings.location.isEmpty()) {
        bad(QStringLiteral("--store needs a location."));
        return std::nullopt;
    }
    const StoreLocation location = StoreLocation::parse(settings.location);
    if (settings.isSet() && !location.error.isEmpty()) {
        bad(QStringLiteral("--store: %1.").arg(location.error));
        return std::nullopt;
    }
    settings.instance =
        parser.isSet(m_instance) ? parser.value(m_instance) : StoreSettings::defaultInstance();
    if (m_program == Program::Quellix && parser.isSet(m_expires)) {
        const std::optional<qint64> seconds = durationSeconds(parser.value(m_expires));
        if (!seconds) {
            bad(QStringLiteral("--expires expects a duration such as 90s, 15m, 2h or 3d, not "
                               "\"%1\".")
                    .arg(parser.value(m_expires)));
            return std::nullopt;
        }
        settings.expirySeconds = *seconds;
    }
    return settings;
}

int StoreCommandLine::run(const QCommandLineParser &parser) const
{
    const std::optional<StoreSettings> chosen = settings(parser);
    if (!chosen)
        return BadCommandLine;
    if (!chosen->isSet())
        return bad(QStringLiteral("The operations on the store need --store LOCATION."));
    const bool asJson = parser.isSet(m_json);
    OperatorStore store(chosen->location);
    if (const QString reason = store.open(m_program == Program::Quellix && parser.isSet(m_send));
        !reason.isEmpty())
        return unreachable(store, reason);
    QSqlQuery query;

    const bool quellix = m_program == Program::Quellix;
    if (quellix && parser.isSet(m_units)) {
        if (!store.exec(query, QStringLiteral("SELECT identifier, address, port, last_seen, "
                                              "messages, first_seen, last_message, instance "
                                              "FROM units ORDER BY identifier")))
            return StoreUnreachable;
        const QJsonArray units =
            objects(query, {QStringLiteral("port"), QStringLiteral("messages")});
        if (asJson) {
            writeOut(json(units));
            return Done;
        }
        QList<QStringList> rows = cells(
            units, {QStringLiteral("identifier"), QStringLiteral("address"), QStringLiteral("port"),
                    QStringLiteral("last_seen"), QStringLiteral("messages"),
                    QStringLiteral("instance"), QStringLiteral("last_message")});
        for (QStringList &row : rows)
            row[3] = secondsAgo(row[3]) + QStringLiteral(" (") + row[3] + u')';
        writeOut(table({QStringLiteral("Unit"), QStringLiteral("Address"), QStringLiteral("Port"),
                        QStringLiteral("Last seen"), QStringLiteral("Messages"),
                        QStringLiteral("Instance"), QStringLiteral("Last message")},
                       rows));
        return Done;
    }

    if (quellix && parser.isSet(m_commands)) {
        if (!store.expire() ||
            !store.exec(query, QStringLiteral("SELECT id, identifier, text, state, queued_at, "
                                              "expires_at, sent_at, acknowledgement, queued_by, "
                                              "instance FROM commands%1 ORDER BY id")
                                   .arg(parser.isSet(m_all) ? QString()
                                                            : QStringLiteral(" WHERE state = "
                                                                             "'pending'"))))
            return StoreUnreachable;
        const QJsonArray commands = objects(query, {QStringLiteral("id")});
        if (asJson) {
            writeOut(json(commands));
            return Done;
        }
        writeOut(
            table({QStringLiteral("Id"), QStringLiteral("Unit"), QStringLiteral("State"),
                   QStringLiteral("Queued at"), QStringLiteral("Expires at"),
                   QStringLiteral("Sent at"), QStringLiteral("Sent by"), QStringLiteral("Command")},
                  cells(commands, {QStringLiteral("id"), QStringLiteral("identifier"),
                                   QStringLiteral("state"), QStringLiteral("queued_at"),
                                   QStringLiteral("expires_at"), QStringLiteral("sent_at"),
                                   QStringLiteral("instance"), QStringLiteral("text")})));
        return Done;
    }

    if (quellix && parser.isSet(m_send)) {
        const QString identifier = parser.value(m_send);
        if (identifier.isEmpty() || identifier.size() > 6 || identifier.contains(u' '))
            return bad(QStringLiteral("--send expects a unit identifier of 1 to 6 characters, "
                                      "not \"%1\".")
                           .arg(identifier));
        if (parser.positionalArguments().isEmpty())
            return bad(
                QStringLiteral("--send %1 needs the command after the options.").arg(identifier));
        const QString text = parser.positionalArguments().join(u' ');
        const qint64 now = QDateTime::currentMSecsSinceEpoch();
        const QString queuedAt = StoreSchema::timeText(now);
        const QString expiresAt = StoreSchema::timeText(now + chosen->expirySeconds * 1000);
        if (!store.exec(query,
                        QStringLiteral("INSERT INTO commands (identifier, text, queued_at, "
                                       "expires_at, state, queued_by) VALUES (?, ?, ?, ?, "
                                       "'pending', ?) RETURNING id"),
                        {identifier, text, queuedAt, expiresAt, chosen->instance}) ||
            !query.next())
            return StoreUnreachable;
        const qint64 id = query.value(0).toLongLong();
        if (asJson) {
            writeOut(json(QJsonObject{{QStringLiteral("id"), id},
                                      {QStringLiteral("identifier"), identifier},
                                      {QStringLiteral("text"), text},
                                      {QStringLiteral("state"), QStringLiteral("pending")},
                                      {QStringLiteral("queued_at"), queuedAt},
                                      {QStringLiteral("expires_at"), expiresAt},
                                      {QStringLiteral("sent_at"), QJsonValue()}}));
        } else {
            writeOut(QStringLiteral("Command %1 for %2 queued: %3 (expires at %4)\n")
                         .arg(id)
                         .arg(identifier, text, expiresAt));
        }
        return Done;
    }

    if (quellix && parser.isSet(m_withdraw)) {
        bool ok = false;
        const qint64 id = parser.value(m_withdraw).toLongLong(&ok);
        if (!ok || id <= 0)
            return bad(QStringLiteral("--withdraw expects a command number, not \"%1\".")
                           .arg(parser.value(m_withdraw)));
        if (!store.expire() ||
            !store.exec(query,
                        QStringLiteral("UPDATE commands SET state = 'withdrawn' WHERE id = ? AND "
                                       "state = 'pending' RETURNING id"),
                        {id}))
            return StoreUnreachable;
        if (query.next()) {
            writeOut(QStringLiteral("Command %1 withdrawn\n").arg(id));
            return Done;
        }
        if (!store.exec(query, QStringLiteral("SELECT state FROM commands WHERE id = ?"), {id}))
            return StoreUnreachable;
        if (!query.next()) {
            ConsoleLines::writeError(QStringLiteral("No command %1 in the store.").arg(id));
            return UnknownCommand;
        }
        ConsoleLines::writeError(QStringLiteral("Command %1 is %2, not pending.")
                                     .arg(id)
                                     .arg(query.value(0).toString()));
        return NotPending;
    }

    if (!quellix && parser.isSet(m_transfers)) {
        QStringList conditions;
        QVariantList values;
        if (parser.isSet(m_since)) {
            const std::optional<QString> since = sinceTime(parser.value(m_since));
            if (!since)
                return bad(QStringLiteral("--since expects an ISO 8601 time or a duration, not "
                                          "\"%1\".")
                               .arg(parser.value(m_since)));
            conditions << QStringLiteral("started >= ?");
            values << *since;
        }
        if (parser.isSet(m_kind)) {
            conditions << QStringLiteral("kind = ?");
            values << parser.value(m_kind).toUpper();
        }
        if (parser.isSet(m_unit)) {
            conditions << QStringLiteral("identifier = ?");
            values << parser.value(m_unit);
        }
        if (!store.exec(query,
                        QStringLiteral("SELECT id, identifier, address, port, kind, what, sha256, "
                                       "packets, timeouts, outcome, started, ended, instance FROM "
                                       "transfers%1 ORDER BY started, id")
                            .arg(conditions.isEmpty()
                                     ? QString()
                                     : QStringLiteral(" WHERE ") +
                                           conditions.join(QStringLiteral(" AND "))),
                        values))
            return StoreUnreachable;
        const QJsonArray transfers =
            objects(query, {QStringLiteral("id"), QStringLiteral("port"), QStringLiteral("packets"),
                            QStringLiteral("timeouts")});
        if (asJson) {
            writeOut(json(transfers));
            return Done;
        }
        writeOut(table(
            {QStringLiteral("Unit"), QStringLiteral("Address"), QStringLiteral("Port"),
             QStringLiteral("Kind"), QStringLiteral("What"), QStringLiteral("Outcome"),
             QStringLiteral("Packets"), QStringLiteral("Time-outs"), QStringLiteral("Started"),
             QStringLiteral("Ended"), QStringLiteral("SHA-256")},
            cells(transfers,
                  {QStringLiteral("identifier"), QStringLiteral("address"), QStringLiteral("port"),
                   QStringLiteral("kind"), QStringLiteral("what"), QStringLiteral("outcome"),
                   QStringLiteral("packets"), QStringLiteral("timeouts"), QStringLiteral("started"),
                   QStringLiteral("ended"), QStringLiteral("sha256")})));
        return Done;
    }

    // --campaign VERSION: each unit's latest downloaded operating system decides.
    const QString version = parser.value(m_campaign);
    if (version.isEmpty() || version.contains(u'/'))
        return bad(QStringLiteral("--campaign expects a version folder such as V700."));
    if (!store.exec(query, QStringLiteral("SELECT identifier, what, outcome FROM transfers WHERE "
                                          "kind = 'UPLOAD' ORDER BY ended, id")))
        return StoreUnreachable;
    std::map<QString, QString> latest; // unit: what it downloaded last
    std::set<QString> triedAndFailed;
    std::set<QString> units;
    const QString prefix = version + u'/';
    while (query.next()) {
        const QString identifier = query.value(0).toString();
        const QString what = query.value(1).toString();
        const QString outcome = query.value(2).toString();
        units.insert(identifier);
        if (outcome == QStringLiteral("downloaded"))
            latest[identifier] = what;
        else if (outcome == QStringLiteral("gave up") && what.startsWith(prefix))
            triedAndFailed.insert(identifier);
    }
    QStringList downloaded;
    QStringList gaveUp;
    for (const auto &[identifier, what] : latest) {
        if (what.startsWith(prefix))
            downloaded << identifier;
    }
    for (const QString &identifier : triedAndFailed) {
        if (!downloaded.contains(identifier))
            gaveUp << identifier;
    }
    const int others = int(units.size()) - int(downloaded.size()) - int(gaveUp.size());
    if (asJson) {
        writeOut(
            json(QJsonObject{{QStringLiteral("version"), version},
                             {QStringLiteral("downloaded"), QJsonArray::fromStringList(downloaded)},
                             {QStringLiteral("gave_up"), QJsonArray::fromStringList(gaveUp)},
                             {QStringLiteral("counts"),
                              QJsonObject{{QStringLiteral("downloaded"), int(downloaded.size())},
                                          {QStringLiteral("gave_up"), int(gaveUp.size())},
                                          {QStringLiteral("other"), others}}}}));
        return Done;
    }
    writeOut(QStringLiteral("Campaign %1: %2 units hold it, %3 gave up on it, %4 other units "
                            "asked for an operating system\n")
                 .arg(version)
                 .arg(downloaded.size())
                 .arg(gaveUp.size())
                 .arg(others));
    writeOut(QStringLiteral("Downloaded: %1\nGave up: %2\n")
                 .arg(downloaded.join(u' '), gaveUp.join(u' ')));
    return Done;
}
