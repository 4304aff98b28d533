#include "traffic_record.h"

#include <QDateTime>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

namespace {
constexpr int flushIntervalMs = 250;
constexpr size_t rowsPerBatch = 2000;
constexpr qint64 rowsInFlightCap = 500000;
} // namespace

// The database side, on the writer thread.
class TrafficRecord::Writer
{
public:
    Writer() : m_connection(QStringLiteral("traffic-") + QUuid::createUuid().toString()) {}

    // The reason it cannot, or empty.
    QString open(const QString &fileName)
    {
        m_database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
        m_database.setDatabaseName(fileName);
        if (!m_database.isValid())
            return QStringLiteral("no SQLite driver");
        if (!m_database.open())
            return m_database.lastError().text();
        QSqlQuery setup(m_database);
        // Read while Quellix writes it: readers and the writer do not block each other.
        setup.exec(QStringLiteral("PRAGMA journal_mode=WAL"));
        setup.exec(QStringLiteral("PRAGMA synchronous=NORMAL"));
        if (!setup.exec(QStringLiteral(
                "CREATE TABLE IF NOT EXISTS traffic (time TEXT NOT NULL, direction TEXT NOT "
                "NULL, address TEXT NOT NULL, port INTEGER NOT NULL, identifier TEXT NOT NULL, "
                "data BLOB NOT NULL)")))
            return setup.lastError().text();
        m_insert = QSqlQuery(m_database);
        if (!m_insert.prepare(QStringLiteral("INSERT INTO traffic (time, direction, address, "
                                             "port, identifier, data) VALUES (?, ?, ?, ?, ?, ?)")))
            return m_insert.lastError().text();
        return {};
    }

    // One transaction; the reason it failed (and nothing of it is written), or empty.
    // Once a transaction has failed, nothing more is written.
    QString write(const std::vector<Row> &rows)
    {
        if (m_failed)
            return {};
        QString reason = writeTransaction(rows);
        m_failed = !reason.isEmpty();
        return reason;
    }

    void close()
    {
        m_insert = QSqlQuery();
        if (m_database.isOpen())
            m_database.close();
        m_database = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_connection);
    }

private:
    QString writeTransaction(const std::vector<Row> &rows)
    {
        if (!m_database.transaction())
            return m_database.lastError().text();
        for (const Row &row : rows) {
            m_insert.bindValue(
                0, QDateTime::fromMSecsSinceEpoch(row.utcMs, Qt::UTC).toString(Qt::ISODateWithMs));
            m_insert.bindValue(1, row.direction == Direction::Received ? QStringLiteral("in")
                                                                       : QStringLiteral("out"));
            m_insert.bindValue(2, row.address);
            m_insert.bindValue(3, row.port);
            m_insert.bindValue(4, row.identifier);
            m_insert.bindValue(5, row.data);
            if (!m_insert.exec()) {
                QString reason = m_insert.lastError().text();
                m_database.rollback();
                return reason;
            }
        }
        if (!m_database.commit()) {
            QString reason = m_database.lastError().text();
            m_database.rollback();
            return reason;
        }
        return {};
    }

    QString m_connection;
    bool m_failed = false;
    QSqlDatabase m_database;
    QSqlQuery m_insert;
};

TrafficRecord::TrafficRecord(QObject *parent)
    : QObject(parent), m_writer(std::make_unique<Writer>()), m_writerContext(new QObject)
{
    m_flushTimer.setSingleShot(true);
    m_flushTimer.setInterval(flushIntervalMs);
    connect(&m_flushTimer, &QTimer::timeout, this, &TrafficRecord::flush);
    m_writerContext->moveToThread(&m_thread);
    m_thread.setObjectName(QStringLiteral("record writer"));
    m_thread.start();
}

TrafficRecord::~TrafficRecord()
{
    flush();
    QMetaObject::invokeMethod(
        m_writerContext, [this] { m_writer->close(); }, Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
    delete m_writerContext;
}

bool TrafficRecord::open(const QString &fileName)
{
    m_fileName = fileName;
    QString reason;
    QMetaObject::invokeMethod(
        m_writerContext, [&] { reason = m_writer->open(fileName); }, Qt::BlockingQueuedConnection);
    if (!reason.isEmpty()) {
        stop(QStringLiteral("Cannot record to "), reason);
        return false;
    }
    m_recording = true;
    return true;
}

void TrafficRecord::add(Direction direction, qint64 utcMs, const QString &address, quint16 port,
                        const QString &identifier, const QByteArray &data)
{
    if (!m_recording)
        return;
    m_rows.push_back(Row{direction, utcMs, address, port, identifier, data});
    if (m_rows.size() >= rowsPerBatch)
        flush();
    else if (!m_flushTimer.isActive())
        m_flushTimer.start();
}

void TrafficRecord::flush()
{
    m_flushTimer.stop();
    if (!m_recording || m_rows.empty())
        return;
    if (m_rowsInFlight.fetch_add(qint64(m_rows.size())) > rowsInFlightCap) {
        stop(QStringLiteral("Recording stopped: "), QStringLiteral("the disk does not keep up"));
        return;
    }
    QMetaObject::invokeMethod(
        m_writerContext,
        [this, rows = std::move(m_rows)] {
            m_rowsInFlight -= qint64(rows.size());
            const QString reason = m_writer->write(rows);
            if (reason.isEmpty())
                return;
            // Back on the receiver's thread; dropped if the record is gone by then.
            QMetaObject::invokeMethod(
                this, [this, reason] { stop(QStringLiteral("Recording stopped: "), reason); },
                Qt::QueuedConnection);
        },
        Qt::QueuedConnection);
    m_rows = {};
}

void TrafficRecord::stop(const QString &what, const QString &reason)
{
    if (m_stopped)
        return; // reported once
    m_stopped = true;
    m_recording = false;
    m_rows.clear();
    emit failed(what + m_fileName + QStringLiteral(" (") + reason.trimmed() + u')');
}
