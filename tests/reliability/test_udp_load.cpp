// 100,000 junk datagrams (random sizes up to 65,000 bytes, fixed seed) flood Server (in process)
// and Quellix (the program): memory stays bounded (the peak is reported), and right after it a
// real transfer still completes byte for byte and a real message is still answered.
#include "support/program_process.h"
#include "support/server_fixture.h"

#include "common/widgets/activity_list.h"

#include "unit_simulator/udp_unit_client.h"

#include <QElapsedTimer>
#include <QFile>
#include <QStyledItemDelegate>
#include <QUdpSocket>
#include <QtTest>

#include <atomic>
#include <random>
#include <thread>

namespace {
constexpr int floodDatagrams = 100000;
constexpr int largestDatagram = 65000;
// A generous sanity bound, far above what either program needs.
constexpr qint64 boundKb = qint64(1024) * 1024;

// A field of /proc/<pid>/status in kB (VmRSS now, VmHWM the peak); -1 where there is none.
qint64 statusKb(const QString &pid, const QByteArray &field)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith(field + ':'))
            return line.mid(field.size() + 1).trimmed().split(' ').first().toLongLong();
    return -1;
}

// Random bytes to cut the datagrams from; they hold none of the server's keywords, so the
// flood is junk to both programs.
QByteArray junkPool(quint32 seed)
{
    std::mt19937 random(seed);
    QByteArray pool(largestDatagram + 4096, '\0');
    for (char &c : pool)
        c = static_cast<char>(random() & 0xFF);
    return pool;
}

// The rest of the flood the socket said no to (buffer full): those were not sent.
struct Flood
{
    int sent = 0;
    qint64 ms = 0;
};

// Runs on its own thread so the program under test keeps its event loop.
Flood flood(const QByteArray &pool, quint16 port, quint32 seed)
{
    QUdpSocket socket;
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> size(0, largestDatagram);
    std::uniform_int_distribution<int> offset(0, 4095);
    Flood result;
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < floodDatagrams; ++i) {
        const int n = size(random);
        const char *const from = pool.constData() + offset(random);
        result.sent += int(socket.writeDatagram(from, n, QHostAddress::LocalHost, port) == n);
    }
    result.ms = clock.elapsed();
    return result;
}

// Reports the flood, and checks that the peak memory of process pid stayed within the bound
// of its resident size before (-1 where the system does not tell).
void checkMemory(const char *program, const QString &pid, qint64 before, const Flood &sent)
{
    if (before < 0)
        return;
    const qint64 peak = statusKb(pid, "VmHWM");
    qInfo("%s: %d junk datagrams sent (%d refused by the sending socket) in %lld ms; resident "
          "memory %lld kB before, peak %lld kB",
          program, sent.sent, floodDatagrams - sent.sent, sent.ms, before, peak);
    QVERIFY(peak - before < boundKb);
}
} // namespace

class TestUdpLoad : public QObject
{
    Q_OBJECT

private slots:
    // Each new line of the activity list is measured alone: measuring 300 lines of junk again
    // for every new line left the console crawling behind a flood.
    void activityLineMeasuresOnlyItself()
    {
        struct CountingDelegate : QStyledItemDelegate
        {
            QSize sizeHint(const QStyleOptionViewItem &option,
                           const QModelIndex &index) const override
            {
                ++measured;
                return QStyledItemDelegate::sizeHint(option, index);
            }
            mutable int measured = 0;
        };
        ActivityList list(300);
        CountingDelegate delegate;
        list.setItemDelegate(&delegate);
        list.show();
        constexpr int lines = 60;
        for (int i = 0; i < lines; ++i) {
            list.addLine(QString(2000, u'x'));
            list.flushScroll();
            QCoreApplication::processEvents(); // laid out before the next line, as in a flood
        }
        list.setItemDelegate(nullptr);
        QCOMPARE_LT(delegate.measured, 5 * lines); // measurements for 60 lines
    }

    void serverKeepsServingAfterAFlood()
    {
        const QByteArray pool = junkPool(7);
        for (const char *keyword : {"UPLOAD", "CONFIG", "GPSLOC", "Error2"})
            QVERIFY(!pool.contains(keyword));
        ServerFixture server({}, 40);
        server.useOperatingSystemBase();
        const QByteArray file = junkPool(3).left(2000);
        server.writeFile(QStringLiteral("os/V610/os.bin"), file);
        UdpUnitClient unit;
        QVERIFY(unit.open());

        const qint64 before = statusKb(QStringLiteral("self"), "VmRSS");
        std::atomic<bool> flooded = false;
        Flood sent;
        std::thread sender;
        QElapsedTimer sinceRequest;
        const QString success = "Operating system has been downloaded successfull !";
        const auto done = [&] {
            if (!flooded)
                return false;
            // The request may meet a full socket buffer behind the last of the junk: ask
            // again, as a unit would, until the first packet comes.
            if (unit.packets().isEmpty() &&
                (!sinceRequest.isValid() || sinceRequest.elapsed() > 1000)) {
                server.sendFrom(unit, "UPLOAD,V610");
                sinceRequest.start();
            }
            // The newest lines only: the older ones are up to 65,000 characters of junk.
            const QStringList activity = server.activity();
            const QStringList newest = activity.mid(activity.size() - 3);
            return newest.contains(success) || !newest.filter(QStringLiteral("Error2")).isEmpty();
        };
        const bool finished = server.run(
            [&] {
                sender = std::thread([&] {
                    sent = flood(pool, server.port(), 7);
                    flooded = true;
                });
            },
            done, 50000);
        sender.join();
        QVERIFY(finished);
        QVERIFY(server.activity().contains(success));
        QCOMPARE(unit.receivedData(), file + QByteArray(2160 - file.size(), 'F'));
        checkMemory("Server", QStringLiteral("self"), before, sent); // the whole test process
    }

    void quellixKeepsAnsweringAfterAFlood()
    {
        const QByteArray pool = junkPool(11);
        UdpUnitClient operatorUnit; // sends and collects only
        QVERIFY(operatorUnit.open());
        operatorUnit.setSilent(true);
        quint16 port = 0;
        // Sends message every half second until its acknowledgement comes back.
        const auto answered = [&](const QByteArray &message, const QByteArray &answer, int rounds) {
            for (int round = 0; round < rounds; ++round) {
                operatorUnit.sendRaw(message, QHostAddress::LocalHost, port);
                if (QTest::qWaitFor([&] { return operatorUnit.packets().contains(answer); }, 500))
                    return true;
            }
            return false;
        };
        ProgramProcess quellix(QStringLiteral(QUELLIX_PATH), QStringList{"--listen", "0"});
        port = quellix.startListening();
        QVERIFY(port != 0);
        QVERIFY(answered("READY1", "READY1,1\r", 30));
        const QString pid = QString::number(quellix.processId());
        const qint64 before = statusKb(pid, "VmRSS");
        const Flood sent = flood(pool, port, 11); // Quellix runs in a process of its own
        QVERIFY2(answered("ABCDEFGH", "ABCDEF,1\r", 60), "no answer after the flood");
        checkMemory("Quellix", pid, before, sent);
    }
};

QTEST_MAIN(TestUdpLoad)
#include "test_udp_load.moc"
