#include "fleet_store.h"

#include "bulk_rows.h"
#include "store_schema.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QSqlError>
#include <QSqlQuery>
#include <QSysInfo>
#include <QUuid>
#include <QVariantList>

#include <deque>
#include <memory>

namespace {
constexpr int flushIntervalMs = 200;
constexpr size_t rowsPerFlush = 2000;
constexpr int refreshIntervalMs = 500;
constexpr int firstRetryMs = 500;
constexpr int lastRetryMs = 30000;
// What a row costs beyond its texts: the containers, the counters.
constexpr qint64 rowOverhead = 96;

qint64 textBytes(const QString &text)
{
    return qint64(text.size()) * 2;
}

qint64 nowMs()
{
    return QDateTime::currentMSecsSinceEpoch();
}
} // namespace

QString StoreSettings::defaultInstance()
{
    return QSysInfo::machineHostName() + u':' + QString::number(QCoreApplication::applicationPid());
}

// What the program handed in since the last flush, as it goes to the writer.
struct FleetStore::Batch
{
    std::vector<TrafficRow> traffic;
    QHash<QString, UnitSeen> units;
    std::vector<QVariantList> transfers;
    std::vector<QVariantList> commands;
    std::vector<qint64> withdrawals;
    std::vector<std::pair<qint64, QString>> acknowledgements;
    qint64 bytes = 0;

    size_t rows() const
    {
        return traffic.size() + size_t(units.size()) + transfers.size() + commands.size() +
               withdrawals.size() + acknowledgements.size();
    }
};

// The database side, on the writer's thread.
class FleetStore::Writer : public QObject
{
public:
    Writer(FleetStore *store, StoreLocation location, QString instance)
        : m_store(store), m_location(std::move(location)), m_instance(std::move(instance)),
          m_connection(QStringLiteral("fleet-store-") + QUuid::createUuid().toString())
    {
    }

    void start()
    {
        m_retry = new QTimer(this);
        m_retry->setSingleShot(true);
        connect(m_retry, &QTimer::timeout, this, [this] { connectStore(); });
        m_refresh = new QTimer(this);
        m_refresh->setInterval(refreshIntervalMs);
        connect(m_refresh, &QTimer::timeout, this, [this] { refresh(); });
        connectStore();
    }

    void take(Batch *batch)
    {
        if (m_refused) {
            release(*batch);
            delete batch;
            return;
        }
        m_queue.emplace_back(batch);
        drain();
    }

    void claim(const QString &identifier)
    {
        StoredCommand command;
        if (m_connected) {
            const QString now = StoreSchema::timeText(nowMs());
            QSqlQuery &query = prepared(
                QStringLiteral("UPDATE commands SET state = 'sent', sent_at = ?, instance = ? "
                               "WHERE id = (SELECT id FROM commands WHERE identifier = ? AND "
                               "state = 'pending' AND expires_at > ? ORDER BY id LIMIT 1%1) "
                               "RETURNING id, text")
                    .arg(m_location.isPostgres() ? QStringLiteral(" FOR UPDATE SKIP LOCKED")
                                                 : QString()));
            query.addBindValue(now);
            query.addBindValue(m_instance);
            query.addBindValue(identifier);
            query.addBindValue(now);
            if (query.exec()) {
                if (query.next())
                    command = {query.value(0).toLongLong(), identifier, query.value(1).toString()};
                query.finish();
            } else {
                lose(query.lastError().text()); // the query is gone with the connection
            }
        }
        QMetaObject::invokeMethod(
            m_store,
            [store = m_store, identifier, command] { store->claimEnded(identifier, command); },
            Qt::QueuedConnection);
    }

    // Writes what is held, once, and closes.
    void finish()
    {
        m_finishing = true;
        if (m_connected)
            drain();
        for (const auto &batch : m_queue)
            release(*batch);
        m_queue.clear();
        close();
    }

private:
    // The batch is no longer held: written, or given up.
    void release(const Batch &batch)
    {
        m_store->m_heldBytes -= batch.bytes;
        m_store->m_queuedRows -= batch.rows();
    }

    void tell(const QString &text)
    {
        QMetaObject::invokeMethod(
            m_store, [store = m_store, text] { emit store->line(text); }, Qt::QueuedConnection);
    }
    void setConnected(bool connected)
    {
        m_connected = connected;
        QMetaObject::invokeMethod(
            m_store, [store = m_store, connected] { store->connectedChanged(connected); },
            Qt::QueuedConnection);
    }

    void connectStore()
    {
        m_database = m_location.connection(m_connection);
        QString reason;
        if (!m_database.isValid()) {
            reason = QStringLiteral("no %1 driver: install %2")
                         .arg(m_location.isPostgres() ? QStringLiteral("QPSQL")
                                                      : QStringLiteral("QSQLITE"),
                              m_location.isPostgres() ? QStringLiteral("libqt6sql6-psql")
                                                      : QStringLiteral("libqt6sql6-sqlite"));
        } else if (!m_database.open()) {
            reason = m_database.lastError().text();
        } else {
            const StoreSchema::Result schema =
                StoreSchema::prepare(m_database, m_location.isPostgres());
            if (schema.status == StoreSchema::Result::Status::Refused) {
                m_refused = true;
                QMetaObject::invokeMethod(
                    m_store, [store = m_store] { store->m_refused = true; }, Qt::QueuedConnection);
                tell(QStringLiteral("Store refused: %1 (%2); units are answered without it")
                         .arg(m_location.shown(), schema.reason));
                for (const auto &batch : m_queue)
                    release(*batch);
                m_queue.clear();
                close();
                return;
            }
            reason = schema.reason;
        }
        if (!reason.isEmpty()) {
            close();
            if (!m_everConnected && !m_toldUnreachable)
                tell(QStringLiteral("Store unreachable: %1 (%2); units are answered, the store "
                                    "is tried again")
                         .arg(m_location.shown(), reason.simplified()));
            m_toldUnreachable = true;
            retryLater();
            return;
        }
        if (!m_everConnected)
            tell(QStringLiteral("Store: %1 (schema %2, instance %3)")
                     .arg(m_location.shown())
                     .arg(StoreSchema::version)
                     .arg(m_instance));
        m_bulk = BulkRows::create(m_database, m_location.isPostgres(), m_instance);
        if (!m_location.isPostgres())
            m_fileIdentity = m_location.fileIdentity();
        m_insert = std::make_unique<MultiRowInsert>(m_database);
        m_everConnected = true;
        m_toldUnreachable = false;
        setConnected(true);
        m_refresh->start();
        refresh();
        drain();
    }

    void retryLater()
    {
        m_retry->start(m_retryMs);
        m_retryMs = qMin(m_retryMs * 2, lastRetryMs);
    }

    void lose(const QString &reason)
    {
        if (!m_connected)
            return;
        if (m_finishing) {
            close();
            m_connected = false;
            return;
        }
        // One line for an outage, however often the store comes and goes again meanwhile.
        if (!m_toldLost)
            tell(QStringLiteral("Store lost: %1 (%2); rows are held and the store is tried "
                                "again")
                     .arg(m_location.shown(), reason.simplified()));
        m_toldLost = true;
        close();
        setConnected(false);
        QMetaObject::invokeMethod(
            m_store, [store = m_store] { store->pendingRead({}); }, Qt::QueuedConnection);
        retryLater();
    }

    void close()
    {
        if (m_refresh)
            m_refresh->stop();
        m_bulk.reset(); // their statements go before the connection
        m_insert.reset();
        m_queries.clear();
        if (m_database.isOpen())
            m_database.close();
        m_database = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_connection);
    }

    QSqlQuery &prepared(const QString &sql)
    {
        auto found = m_queries.find(sql);
        if (found == m_queries.end()) {
            auto query = std::make_shared<QSqlQuery>(m_database);
            query->prepare(sql);
            found = m_queries.insert(sql, query);
        }
        return *found.value();
    }

    bool insertRows(const QString &tableColumns, const std::vector<QVariantList> &rows)
    {
        return m_insert->run(tableColumns, {}, rows, &m_error);
    }

    bool execRow(const QString &sql, const QVariantList &values)
    {
        return execBound(prepared(sql), values, &m_error);
    }

    bool writeBatch(const Batch &batch)
    {
        if (!m_bulk->insertTraffic(batch.traffic) || !m_bulk->upsertUnits(batch.units)) {
            m_error = m_bulk->error();
            return false;
        }
        return insertRows(QStringLiteral("transfers (identifier, address, port, kind, what, "
                                         "sha256, packets, timeouts, outcome, started, ended, "
                                         "instance)"),
                          batch.transfers) &&
               insertRows(QStringLiteral("commands (identifier, text, queued_at, expires_at, "
                                         "state, queued_by)"),
                          batch.commands) &&
               std::all_of(batch.withdrawals.cbegin(), batch.withdrawals.cend(),
                           [this](qint64 id) {
                               return execRow(QStringLiteral("UPDATE commands SET state = "
                                                             "'withdrawn' WHERE id = ? AND state "
                                                             "= 'pending'"),
                                              {id});
                           }) &&
               std::all_of(batch.acknowledgements.cbegin(), batch.acknowledgements.cend(),
                           [this](const std::pair<qint64, QString> &sent) {
                               return execRow(QStringLiteral("UPDATE commands SET "
                                                             "acknowledgement = ? WHERE id = ?"),
                                              {sent.second, sent.first});
                           });
    }

    // SQLite goes on writing to a file deleted under it, and the rows would be lost unseen: the
    // store is lost, and made again at the next try.
    bool fileStillThere()
    {
        if (m_location.isPostgres() || m_location.fileIdentity() == m_fileIdentity)
            return true;
        lose(QStringLiteral("the file was deleted or replaced"));
        return false;
    }

    void drain()
    {
        if (m_connected && !m_queue.empty() && !fileStillThere())
            return;
        while (m_connected && !m_queue.empty()) {
            const Batch &batch = *m_queue.front();
            m_error.clear();
            bool ok = m_database.transaction() && writeBatch(batch);
            if (ok) {
                ok = m_database.commit();
            }
            if (!ok) {
                const QString reason = m_error.isEmpty() ? m_database.lastError().text() : m_error;
                m_database.rollback();
                lose(reason);
                return;
            }
            const bool hadCommands = !batch.commands.empty() || !batch.withdrawals.empty();
            // Written: the next loss is retried from the shortest pause again.
            m_retryMs = firstRetryMs;
            m_store->m_rowsWritten += batch.rows();
            release(batch);
            m_queue.pop_front();
            QMetaObject::invokeMethod(
                m_store, [store = m_store] { store->written(); }, Qt::QueuedConnection);
            if (hadCommands)
                refresh();
        }
        // Back once what was held has gone in.
        if (m_connected && m_toldLost) {
            m_toldLost = false;
            tell(QStringLiteral("Store back: %1").arg(m_location.shown()));
        }
    }

    void refresh()
    {
        if (!m_connected)
            return;
        if (!fileStillThere())
            return;
        const QString now = StoreSchema::timeText(nowMs());
        const QString expire = QStringLiteral(
            "UPDATE commands SET state = 'expired' WHERE state = 'pending' AND expires_at <= ?");
        if (!execRow(expire, {now})) {
            lose(m_error);
            return;
        }
        m_store->m_commandsExpired += quint64(qMax(0, prepared(expire).numRowsAffected()));
        QSqlQuery &query = prepared(QStringLiteral(
            "SELECT id, identifier, text FROM commands WHERE state = 'pending' ORDER BY id"));
        if (!query.exec()) {
            lose(query.lastError().text());
            return;
        }
        QHash<QString, QList<StoredCommand>> pending;
        while (query.next()) {
            const QString identifier = query.value(1).toString();
            pending[identifier].append(
                {query.value(0).toLongLong(), identifier, query.value(2).toString()});
        }
        query.finish();
        QMetaObject::invokeMethod(
            m_store, [store = m_store, pending] { store->pendingRead(pending); },
            Qt::QueuedConnection);
    }

    FleetStore *m_store;
    StoreLocation m_location;
    QString m_instance;
    QString m_connection;
    QSqlDatabase m_database;
    QHash<QString, std::shared_ptr<QSqlQuery>> m_queries;
    std::unique_ptr<BulkRows> m_bulk;
    QByteArray m_fileIdentity; // SQLite: the file connected to
    std::unique_ptr<MultiRowInsert> m_insert;
    std::deque<std::unique_ptr<Batch>> m_queue;
    QString m_error;
    QTimer *m_retry = nullptr;
    QTimer *m_refresh = nullptr;
    int m_retryMs = firstRetryMs;
    bool m_connected = false;
    bool m_everConnected = false;
    bool m_toldUnreachable = false;
    bool m_refused = false;
    bool m_toldLost = false;
    bool m_finishing = false;
};

FleetStore::FleetStore(StoreSettings settings, QObject *parent, qint64 queueBytes)
    : QObject(parent), m_settings(std::move(settings)),
      m_location(StoreLocation::parse(m_settings.location)), m_queueBytes(queueBytes)
{
    if (m_settings.instance.isEmpty())
        m_settings.instance = StoreSettings::defaultInstance();
    m_flushTimer.setSingleShot(true);
    m_flushTimer.setInterval(flushIntervalMs);
    connect(&m_flushTimer, &QTimer::timeout, this, &FleetStore::flush);
    m_writer = new Writer(this, m_location, m_settings.instance);
    m_writer->moveToThread(&m_thread);
    m_thread.setObjectName(QStringLiteral("store writer"));
    m_thread.start();
}

FleetStore::~FleetStore()
{
    flush();
    QMetaObject::invokeMethod(
        m_writer, [writer = m_writer] { writer->finish(); }, Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
    delete m_writer;
    delete m_batch;
}

void FleetStore::start()
{
    if (!m_location.error.isEmpty()) {
        emit line(QStringLiteral("Store unreachable: %1; units are answered without it")
                      .arg(m_location.error));
        return;
    }
    QMetaObject::invokeMethod(
        m_writer, [writer = m_writer] { writer->start(); }, Qt::QueuedConnection);
}

FleetStore::Batch &FleetStore::batch()
{
    if (!m_batch) {
        // Sized as the last one was: a fleet reports at a steady pace.
        m_batch = new Batch;
        m_batch->traffic.reserve(m_lastBatchTraffic);
        m_batch->units.reserve(m_lastBatchUnits);
    }
    return *m_batch;
}

bool FleetStore::admit(qint64 bytes)
{
    if (m_heldBytes.load() + bytes > m_queueBytes) {
        ++m_dropped;
        if (!m_dropping) {
            m_dropping = true;
            emit line(QStringLiteral("Store: %1 KiB of rows held, the limit; rows are dropped "
                                     "until the store takes them")
                          .arg(m_queueBytes / 1024));
        }
        return false;
    }
    m_heldBytes += bytes;
    batch().bytes += bytes;
    return true;
}

void FleetStore::scheduleFlush(size_t rows)
{
    if (rows >= rowsPerFlush)
        flush();
    else if (!m_flushTimer.isActive())
        m_flushTimer.start();
}

void FleetStore::addTraffic(bool received, qint64 utcMs, const QString &address, quint16 port,
                            const QString &identifier, const QByteArray &data)
{
    if (!admit(rowOverhead + data.size() + textBytes(address) + textBytes(identifier)))
        return;
    Batch &rows = batch();
    rows.traffic.push_back({utcMs, received, address, port, identifier, data});
    scheduleFlush(rows.rows());
}

void FleetStore::unitHeard(const QString &identifier, const QString &address, quint16 port,
                           qint64 utcMs, const QString &message)
{
    if (identifier.isEmpty())
        return;
    Batch &rows = batch();
    auto found = rows.units.find(identifier);
    if (found == rows.units.end()) {
        if (!admit(rowOverhead + textBytes(identifier) + textBytes(address) + 400))
            return;
        found = rows.units.insert(identifier, UnitSeen{});
        found->firstMs = utcMs;
    }
    found->address = address;
    found->port = port;
    found->lastMs = utcMs;
    ++found->messages;
    found->lastMessage = message.left(200);
    scheduleFlush(rows.rows());
}

void FleetStore::addTransfer(const TransferRow &row)
{
    if (!admit(rowOverhead * 2 + textBytes(row.what) + textBytes(row.address)))
        return;
    Batch &rows = batch();
    rows.transfers.push_back({row.identifier, row.address, row.port, row.kind, row.what, row.sha256,
                              row.packets, row.timeouts, row.outcome,
                              StoreSchema::timeText(row.startedMs),
                              StoreSchema::timeText(row.endedMs), m_settings.instance});
    scheduleFlush(rows.rows());
}

void FleetStore::queueCommand(const QString &identifier, const QString &text)
{
    // Commands are few and must not be lost to the bound: always held.
    m_heldBytes += rowOverhead;
    Batch &rows = batch();
    rows.bytes += rowOverhead;
    const qint64 now = nowMs();
    rows.commands.push_back({identifier, text, StoreSchema::timeText(now),
                             StoreSchema::timeText(now + m_settings.expirySeconds * 1000),
                             QStringLiteral("pending"), m_settings.instance});
    flush();
}

void FleetStore::withdrawCommand(qint64 id)
{
    m_heldBytes += rowOverhead;
    Batch &rows = batch();
    rows.bytes += rowOverhead;
    rows.withdrawals.push_back(id);
    QString emptied;
    for (auto it = m_pending.begin(); it != m_pending.end() && emptied.isEmpty(); ++it) {
        it->removeIf([id](const StoredCommand &command) { return command.id == id; });
        if (it->isEmpty())
            emptied = it.key();
    }
    m_pending.remove(emptied);
    emit pendingChanged();
    flush();
}

void FleetStore::claimFor(const QString &identifier)
{
    if (!m_connected || !m_pending.contains(identifier) || m_claiming.contains(identifier))
        return;
    m_claiming.insert(identifier);
    QMetaObject::invokeMethod(
        m_writer, [writer = m_writer, identifier] { writer->claim(identifier); },
        Qt::QueuedConnection);
}

void FleetStore::claimEnded(const QString &identifier, const StoredCommand &command)
{
    m_claiming.remove(identifier);
    if (command.id == 0) {
        // Taken by another instance, withdrawn or expired meanwhile.
        if (m_pending.remove(identifier) > 0)
            emit pendingChanged();
        return;
    }
    auto found = m_pending.find(identifier);
    if (found != m_pending.end()) {
        found->removeIf([&](const StoredCommand &c) { return c.id == command.id; });
        if (found->isEmpty())
            m_pending.remove(identifier);
    }
    emit pendingChanged();
    emit claimed(command);
}

void FleetStore::commandSent(qint64 id, const QString &acknowledgement)
{
    m_heldBytes += rowOverhead;
    Batch &rows = batch();
    rows.bytes += rowOverhead + textBytes(acknowledgement);
    m_heldBytes += textBytes(acknowledgement);
    rows.acknowledgements.emplace_back(id, acknowledgement);
    scheduleFlush(rows.rows());
}

quint64 FleetStore::rowsHeld() const
{
    return m_queuedRows.load() + (m_batch ? m_batch->rows() : 0);
}

QList<StoredCommand> FleetStore::pendingCommands() const
{
    QList<StoredCommand> all;
    for (const QList<StoredCommand> &commands : m_pending)
        all += commands;
    std::sort(all.begin(), all.end(),
              [](const StoredCommand &a, const StoredCommand &b) { return a.id < b.id; });
    return all;
}

void FleetStore::flush()
{
    m_flushTimer.stop();
    if (!m_batch || m_batch->rows() == 0)
        return;
    Batch *rows = m_batch;
    m_batch = nullptr;
    m_lastBatchTraffic = rows->traffic.size();
    m_lastBatchUnits = rows->units.size();
    m_queuedRows += rows->rows();
    QMetaObject::invokeMethod(
        m_writer, [writer = m_writer, rows] { writer->take(rows); }, Qt::QueuedConnection);
}

void FleetStore::connectedChanged(bool connected)
{
    m_connected = connected;
    if (!connected)
        m_claiming.clear();
}

void FleetStore::pendingRead(const QHash<QString, QList<StoredCommand>> &pending)
{
    m_pending = pending;
    // A claim in flight answers for its unit.
    for (const QString &identifier : std::as_const(m_claiming))
        m_pending.remove(identifier);
    emit pendingChanged();
}

void FleetStore::written()
{
    if (m_dropping && m_heldBytes.load() < m_queueBytes / 2) {
        m_dropping = false;
        emit line(QStringLiteral("Store: %1 rows dropped while the queue was full")
                      .arg(m_dropped - m_droppedReported));
        m_droppedReported = m_dropped;
    }
}
