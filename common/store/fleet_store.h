#pragma once

#include "store_location.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <vector>

// How a program uses the store: --store, --instance, --expires.
struct StoreSettings
{
    // A command that has not reached its unit within this time expires.
    static constexpr qint64 defaultExpirySeconds = 3600;

    QString location; // empty: no store
    QString instance;
    qint64 expirySeconds = defaultExpirySeconds;

    bool isSet() const { return !location.isEmpty(); }
    // The host name and the process id: "gateway:4711".
    static QString defaultInstance();
};

struct StoredCommand
{
    qint64 id = 0;
    QString identifier;
    QString text;
};

// One download of a Server, as it ended.
struct TransferRow
{
    QString identifier; // the request's first six characters
    QString address;
    quint16 port = 0;
    QString kind;   // UPLOAD, CONFIG, GPSLOC
    QString what;   // "V700/OS.TXT", or the configuration or table file
    QString sha256; // of the bytes sent, hexadecimal
    int packets = 0;
    int timeouts = 0;
    QString outcome; // downloaded, gave up, refused busy, not found, stopped
    qint64 startedMs = 0;
    qint64 endedMs = 0;
};

// The fleet store of a running Server or Quellix. Everything the program hands in is collected
// on its own thread and written by a thread of its own with its own connection, a few times a
// second, so the answers never wait for the database. The rows held, in memory, are bounded in
// bytes; beyond the bound they are dropped and counted. A store that cannot be reached, or is
// lost, is told in one line each and retried with a growing pause (0.5 s to 30 s); the rows
// held then go in once it is back.
//
// Commands: the writer keeps a copy of the pending commands (refreshed every 0.5 s). A message
// from a unit that has one asks the writer to claim it (one atomic UPDATE ... RETURNING);
// claimed() hands it back, and it goes with that unit's next acknowledgement. The claim is
// made before it is sent: a program that dies between the two loses the command rather than
// sending it twice. While the store is unreachable nothing is claimed.
class FleetStore : public QObject
{
    Q_OBJECT
public:
    static constexpr qint64 defaultQueueBytes = qint64(64) * 1024 * 1024;

    explicit FleetStore(StoreSettings settings, QObject *parent = nullptr,
                        qint64 queueBytes = defaultQueueBytes);
    // Writes what is held if the store is there, then closes it.
    ~FleetStore() override;

    // Connects on the writer's thread; how it went comes as line().
    void start();
    const StoreSettings &settings() const { return m_settings; }
    bool isConnected() const { return m_connected; }
    // The store is of a newer schema: nothing goes in, commands included.
    bool isRefused() const { return m_refused; }

    void addTraffic(bool received, qint64 utcMs, const QString &address, quint16 port,
                    const QString &identifier, const QByteArray &data);
    void unitHeard(const QString &identifier, const QString &address, quint16 port, qint64 utcMs,
                   const QString &message);
    void addTransfer(const TransferRow &row);
    // A command for the unit, expiring after the settings' expiry.
    void queueCommand(const QString &identifier, const QString &text);
    void withdrawCommand(qint64 id);

    // Whether the store holds a command for the unit, as last seen.
    bool hasCommandFor(const QString &identifier) const { return m_pending.contains(identifier); }
    // Claims the unit's oldest pending command, in the background; see claimed().
    void claimFor(const QString &identifier);
    // The claimed command went out with this acknowledgement.
    void commandSent(qint64 id, const QString &acknowledgement);
    QList<StoredCommand> pendingCommands() const;
    quint64 droppedRows() const { return m_dropped; }
    // Rows the writer has put in the store since start-up.
    quint64 rowsWritten() const { return m_rowsWritten.load(); }
    // Rows handed in and not yet written (nor given up, as when the store refused).
    quint64 rowsHeld() const;
    // Pending commands this program found past their expiry and marked expired.
    quint64 commandsExpired() const { return m_commandsExpired.load(); }
    // Hands what was collected to the writer now.
    void flush();

signals:
    // One line for the activity list and standard error: connected, unreachable, lost, back,
    // refused, rows dropped.
    void line(const QString &text);
    void claimed(const StoredCommand &command);
    void pendingChanged();

private:
    struct Batch;
    class Writer;
    bool admit(qint64 bytes);
    Batch &batch();
    void scheduleFlush(size_t rows);
    void connectedChanged(bool connected);
    void pendingRead(const QHash<QString, QList<StoredCommand>> &pending);
    void claimEnded(const QString &identifier, const StoredCommand &command);
    void written();

    StoreSettings m_settings;
    StoreLocation m_location;
    qint64 m_queueBytes;
    std::atomic<qint64> m_heldBytes{0};
    // Rows handed to the writer and not yet written or given up; the writer's own figures.
    std::atomic<quint64> m_queuedRows{0};
    std::atomic<quint64> m_rowsWritten{0};
    std::atomic<quint64> m_commandsExpired{0};
    quint64 m_dropped = 0;
    quint64 m_droppedReported = 0;
    bool m_dropping = false;
    bool m_connected = false;
    bool m_refused = false;
    Batch *m_batch = nullptr;
    size_t m_lastBatchTraffic = 0;
    qsizetype m_lastBatchUnits = 0;
    QTimer m_flushTimer;
    QHash<QString, QList<StoredCommand>> m_pending;
    QSet<QString> m_claiming;
    QThread m_thread;
    Writer *m_writer = nullptr; // lives on m_thread
};
