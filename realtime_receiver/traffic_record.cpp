#include "traffic_record.h"

#include <QDateTime>
#include <QSqlError>
#include <QUuid>

namespace {
constexpr int flushIntervalMs = 250;
constexpr size_t rowsPerBatch = 2000;
} // namespace

TrafficRecord::TrafficRecord(QObject *parent)
    : QObject(parent),
      m_connection(QStringLiteral("traffic-") + QUuid::createUuid().toString(QUuid::WithoutBraces))
{
    m_flushTimer.setSingleShot(true);
    m_flushTimer.setInterval(flushIntervalMs);
    connect(&m_flushTimer, &QTimer::timeout, this, &TrafficRecord::flush);
}

TrafficRecord::~TrafficRecord()
{
    flush();
    close();
}

bool TrafficRecord::open(const QString &fileName)
{
    m_fileName = fileName;
    m_database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
    m_database.setDatabaseName(fileName);
    if (!m_database.isValid())
        return fail(QStringLiteral("Cannot record to "), QStringLiteral("no SQLite driver"));
    if (!m_database.open())
        return fail(QStringLiteral("Cannot record to "), m_database.lastError().text());
    QSqlQuery setup(m_database);
    // A record that is only read while Quellix writes it: readers never block the writer.
    setup.exec(QStringLiteral("PRAGMA journal_mode=WAL"));
    setup.exec(QStringLiteral("PRAGMA synchronous=NORMAL"));
    if (!setup.exec(QStringLiteral(
            "CREATE TABLE IF NOT EXISTS traffic (time TEXT NOT NULL, direction TEXT NOT NULL, "
            "address TEXT NOT NULL, port INTEGER NOT NULL, identifier TEXT NOT NULL, "
            "data BLOB NOT NULL)")))
        return fail(QStringLiteral("Cannot record to "), setup.lastError().text());
    m_insert = QSqlQuery(m_database);
    if (!m_insert.prepare(QStringLiteral("INSERT INTO traffic (time, direction, address, port, "
                                         "identifier, data) VALUES (?, ?, ?, ?, ?, ?)")))
        return fail(QStringLiteral("Cannot record to "), m_insert.lastError().text());
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

bool TrafficRecord::flush()
{
    m_flushTimer.stop();
    if (!m_recording)
        return false;
    if (m_rows.empty())
        return true;
    if (!m_database.transaction())
        return fail(QStringLiteral("Recording stopped: "), m_database.lastError().text());
    for (const Row &row : m_rows) {
        m_insert.bindValue(
            0, QDateTime::fromMSecsSinceEpoch(row.utcMs, Qt::UTC).toString(Qt::ISODateWithMs));
        m_insert.bindValue(1, row.direction == Direction::Received ? QStringLiteral("in")
                                                                   : QStringLiteral("out"));
        m_insert.bindValue(2, row.address);
        m_insert.bindValue(3, row.port);
        m_insert.bindValue(4, row.identifier);
        m_insert.bindValue(5, row.data);
        if (!m_insert.exec()) {
            const QString reason = m_insert.lastError().text();
            m_database.rollback();
            return fail(QStringLiteral("Recording stopped: "), reason);
        }
    }
    if (!m_database.commit()) {
        const QString reason = m_database.lastError().text();
        m_database.rollback();
        return fail(QStringLiteral("Recording stopped: "), reason);
    }
    m_rows.clear();
    return true;
}

bool TrafficRecord::fail(const QString &what, const QString &reason)
{
    m_recording = false;
    m_rows.clear();
    m_error = what + m_fileName + QStringLiteral(" (") + reason.trimmed() + u')';
    emit failed(m_error);
    return false;
}

void TrafficRecord::close()
{
    m_insert = QSqlQuery();
    if (m_database.isOpen())
        m_database.close();
    m_database = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_connection);
}
