#include "unit_side.h"

#include "support/accessibility_walk.h"
#include "support/recording_help_viewer.h"

#include "common/network/datagram_socket.h"
#include "realtime_receiver/receiver_text.h"
#include "realtime_receiver/unit_table.h"
#include "realtime_receiver/window/receiver_window.h"
#include "realtime_receiver/window/unit_choice.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <algorithm>
#include <deque>
#include <functional>
#include <memory>

namespace {

QPushButton *button(QWidget &window, const char *name)
{
    return window.findChild<QPushButton *>(QLatin1String(name));
}

QStringList listLines(QWidget &window, const char *name = "List1")
{
    const QListWidget *list = window.findChild<QListWidget *>(QLatin1String(name));
    QStringList lines;
    for (int i = 0; i < list->count(); ++i)
        lines << list->item(i)->text();
    return lines;
}

// Types text into a field, then clicks the button that takes it.
void enter(QWidget &window, const QString &field, const QString &text, const QString &then)
{
    window.findChild<QLineEdit *>(field)->setText(text);
    window.findChild<QPushButton *>(then)->click();
}

// Command1, Command2 and Command5 enabled (1) or not (0), then listening.
QString buttonState(ReceiverWindow &window)
{
    auto on = [&](const char *name) { return button(window, name)->isEnabled() ? "1" : "0"; };
    return QStringLiteral("%1%2%3 %4")
        .arg(on("Command1"), on("Command2"), on("Command5"),
             window.listening() ? "listening" : "idle");
}

// Runs f on the window's thread and waits for it: how the unit's thread clicks and looks.
template <class F> auto onWindow(ReceiverWindow &window, F f)
{
    if constexpr (std::is_void_v<std::invoke_result_t<F>>) {
        QMetaObject::invokeMethod(&window, f, Qt::BlockingQueuedConnection);
    } else {
        std::invoke_result_t<F> result{};
        QMetaObject::invokeMethod(&window, f, Qt::BlockingQueuedConnection, &result);
        return result;
    }
}

bool waitForLine(ReceiverWindow &window, const QString &line)
{
    return QTest::qWaitFor(
        [&] { return onWindow(window, [&] { return listLines(window).contains(line); }); }, 10000);
}

// Sends fail until told otherwise; datagrams are handed in by the test.
class FailingSocket : public DatagramSocket
{
public:
    bool listen() override { return open = true; }
    void close() override { open = false; }
    bool isListening() const override { return open; }
    QString errorString() const override { return QStringLiteral("Network is unreachable"); }
    bool sendTo(const QByteArray &data, const QHostAddress &, quint16) override
    {
        if (failing)
            return false;
        sent << data;
        return true;
    }
    void receive(const QByteArray &data) { deliver(data, loopback, 7000); }

    bool open = false;
    bool failing = true;
    QByteArrayList sent;
};

// A window listening on a port the system gives: "&Set host/port" is clicked on txtport's 6081,
// then the socket set to port 0 (port once listening).
struct Receiver
{
    explicit Receiver(int pauseMs = int(ReceiverText::answerPause.count()),
                      DatagramSocket *socket = nullptr, const QString &recordFile = {})
        : socket(socket ? socket : &udp),
          window(ReceiverWindow::Options{
              this->socket, &help, 1000, std::chrono::milliseconds(pauseMs),
              StoreSettings{recordFile, {}, StoreSettings::defaultExpirySeconds}})
    {
        useAnyPort();
    }

    void useAnyPort()
    {
        enter(window, "txtport", QStringLiteral("6081"), "Command4");
        socket->setLocalPort(0);
    }

    // Clicks Start, which returns at once, then runs script on a unit thread while the window
    // answers here; Stop is clicked after it unless the script ended listening, and the run
    // ends when listening has ended.
    void listenWhile(const std::function<void()> &script)
    {
        button(window, "Command1")->click();
        QVERIFY(window.listening());
        port = socket->boundPort();
        std::unique_ptr<QThread> unit(QThread::create([&] {
            script();
            onWindow(window, [&] { button(window, "Command2")->click(); });
        }));
        unit->start();
        QTRY_VERIFY_WITH_TIMEOUT(unit->isFinished(), 30000);
        QTRY_VERIFY_WITH_TIMEOUT(!window.listening(), 10000);
    }

    QString portText() const { return window.findChild<QLineEdit *>("txtport")->text(); }

    RecordingHelpViewer help;
    UdpDatagramSocket udp;
    DatagramSocket *socket;
    quint16 port = 0;
    ReceiverWindow window;
};

} // namespace

class TestReceiverWindow : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }

    // The window as loaded, named for a screen reader; Help opens download.txt.
    void loadsIdle()
    {
        RecordingHelpViewer help;
        ReceiverWindow fresh(ReceiverWindow::Options{nullptr, &help});
        QCOMPARE(fresh.objectName(), QStringLiteral("trackmain"));
        QCOMPARE(fresh.windowTitle(),
                 QStringLiteral("GPRS Real time Sample communication program 1.0"));
        QCOMPARE(buttonState(fresh), QStringLiteral("000 idle"));
        QVERIFY(fresh.running());
        QCOMPARE(fresh.tickCount(), 0);
        fresh.show();
        const QStringList unnamed = unnamedInteractiveControls(&fresh);
        QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(", ")));
        // "Send Data" before listening (were it enabled) queues nothing.
        button(fresh, "Command5")->setEnabled(true);
        enter(fresh, "Text1", "RESET", "Command5");
        QCOMPARE(listLines(fresh), QStringList{"You didnt set remote host/port"});
        QVERIFY(fresh.pendingCommand().isEmpty());
        button(fresh, "Command3")->click();
        QCOMPARE(help.opened, QStringList{"download.txt"});
        // A long line is split once; the list keeps the newest lines.
        const int cap = ReceiverText::activityListCap;
        for (int i = 0; i < cap + 6; ++i)
            fresh.logMessage(QString::number(i));
        for (const QString &text : {QString(100, u'x'), QString(100, u'a') + QString(250, u'b')})
            fresh.logMessage(text);
        const QStringList lines = listLines(fresh);
        QCOMPARE(lines.size(), cap);
        QCOMPARE(lines.first(), QStringLiteral("9")); // the line before and 0 to 8 went
        QCOMPARE(lines.mid(cap - 4), (QStringList{QString::number(cap + 5), QString(100, u'x'),
                                                  QString(100, u'a'), QString(250, u'b')}));
    }

    // A command goes with one answer; the buttons follow (Send Data waits for the answer).
    void attachesCommandToOneAnswer()
    {
        Receiver receiver;
        // Start on a taken port: one line, and the buttons stay as they were.
        QUdpSocket holder;
        QVERIFY(holder.bind(QHostAddress::AnyIPv4, 0, QUdpSocket::DontShareAddress));
        const QString taken = QString::number(holder.localPort());
        enter(receiver.window, "txtport", taken, "Command4");
        button(receiver.window, "Command1")->click();
        QVERIFY(listLines(receiver.window)
                    .constLast()
                    .startsWith("Cannot listen on port " + taken + ": "));
        QCOMPARE(buttonState(receiver.window), QStringLiteral("100 idle"));
        receiver.useAnyPort();
        // A step: the unit asks (empty), or "field text button": the text is entered, the button
        // clicked. The buttons are read after each step. An empty command is still one answer's
        // worth. A new port applies to the next start; it does not offer Start meanwhile. Stop
        // with no answer in hand ends listening at once.
        const QStringList steps{"",
                                "Text1 RESET Command5",
                                "",
                                "",
                                "Text1  Command5",
                                "",
                                "txtport 6082 Command4",
                                "txtport 6082 Command2"};
        QByteArrayList replies;
        QStringList states;
        receiver.listenWhile([&] {
            UnitSide unit(receiver.port);
            for (const QString &step : steps) {
                const QStringList part = step.split(u' ');
                if (step.isEmpty())
                    replies << unit.ask("ABCDEFGH");
                states << onWindow(receiver.window, [&] {
                    if (!step.isEmpty())
                        enter(receiver.window, part[0], part[1], part[2]);
                    return buttonState(receiver.window);
                });
            }
        });
        QCOMPARE(replies,
                 (QByteArrayList{"ABCDEF,1\r", "ABCDEF,1RESET\r", "ABCDEF,1\r", "ABCDEF,1\r"}));
        QCOMPARE(states,
                 (QStringList{"011 listening", "010 listening", "011 listening", "011 listening",
                              "010 listening", "011 listening", "011 listening", "100 idle"}));
        QCOMPARE(buttonState(receiver.window), QStringLiteral("100 idle"));
        // The line names the port text the window shows.
        QCOMPARE(listLines(receiver.window).constLast(),
                 QStringLiteral("Stopped, listening on port 6082"));
        QVERIFY(receiver.window.pendingCommand().isEmpty());
        QCOMPARE(receiver.window.lastMessage(), QStringLiteral("ABCDEFGH"));
    }

    void answersBurstOnce()
    {
        Receiver receiver(1000); // a long pause so the burst surely falls inside it
        QByteArrayList replies;
        receiver.listenWhile([&] {
            UnitSide first(receiver.port), other(receiver.port);
            first.send("111111AAA");
            waitForLine(receiver.window, "Received: 111111AAA");
            first.send("222222BBB");
            first.send("333333CCC");
            other.send("444444DDD");
            replies << first.reply() << other.reply();
            // Answered once: the next answer it reads is the one to its next message.
            replies << first.ask("555555EEE");
        });
        QCOMPARE(replies, (QByteArrayList{"111111,1\r", "444444,1\r", "555555,1\r"}));
        const QStringList lines = listLines(receiver.window);
        QCOMPARE(
            lines.mid(lines.indexOf("Started, listening on port " + receiver.portText()) + 1, 8),
            (QStringList{"Received: 111111AAA", "Received: 222222BBB", "Received: 333333CCC",
                         "Received: 444444DDD", "Send: 111111,1", "Send: 444444,1",
                         "Received: 555555EEE", "Send: 555555,1"}));
    }

    void sendsCommandsToChosenUnits()
    {
        constexpr int units = 50;
        // Unit i's messages begin with its identifier: A, then i in five digits.
        auto identifier = [](int i) { return 'A' + QByteArray::number(i).rightJustified(5, '0'); };
        Receiver receiver;
        auto *choice = receiver.window.findChild<UnitChoice *>(QStringLiteral("UnitChoice"));
        QByteArrayList replies;
        QStringList offered, listed;
        receiver.listenWhile([&] {
            // Units reporting together, each from a socket of its own: every unit sends one
            // message, then each reads its answer.
            std::deque<UnitSide> fleet;
            for (int i = 0; i < units; ++i)
                fleet.emplace_back(receiver.port);
            const auto round = [&] {
                for (int i = 0; i < units; ++i)
                    fleet[i].send(identifier(i) + ",position");
                for (UnitSide &unit : fleet)
                    replies << unit.reply();
            };
            round();
            onWindow(receiver.window, [&] {
                choice->refill();
                offered = {choice->itemText(0), choice->itemText(1), choice->itemText(2)};
                const std::pair<const char *, const char *> queued[] = {
                    {"A00003", "PING"}, {"A00005", "DROP"}, {"next message", "RESET"}};
                for (const auto &[unit, command] : queued) {
                    choice->setCurrentText(QLatin1String(unit));
                    enter(receiver.window, "Text1", QLatin1String(command), "Command5");
                }
                listed = listLines(receiver.window, "PendingCommands");
                receiver.window.findChild<QListWidget *>(QStringLiteral("PendingCommands"))
                    ->setCurrentRow(2); // A00005: DROP
                button(receiver.window, "Withdraw")->click();
            });
            round();
            round();
        });
        QCOMPARE(offered, (QStringList{"next message", "A00049", "A00048"}));
        QCOMPARE(listed, (QStringList{"next message: RESET", "A00003: PING", "A00005: DROP"}));
        QVERIFY(listLines(receiver.window, "PendingCommands").isEmpty());
        QVERIFY(listLines(receiver.window).contains("Withdrawn for A00005: DROP"));
        // The unit's command reached it alone, once; the one for the next message reached the
        // first other unit answered; the withdrawn one none.
        QByteArrayList expected;
        for (int i = 0; i < 3 * units; ++i)
            expected << identifier(i % units) + ",1\r";
        expected[units] = "A00000,1RESET\r";
        expected[units + 3] = "A00003,1PING\r";
        QCOMPARE(replies, expected);
    }

    // The units view, and the record of what came in and went out, byte for byte, in order.
    void showsAndRecordsUnitsHeard()
    {
        QTemporaryDir directory;
        const QString file = directory.filePath(QStringLiteral("traffic.db"));
        const QByteArrayList messages{QByteArray("VAN001\x00\xFF\r\n,1", 11), "BUS002,two",
                                      "VAN001,three"};
        QList<quint16> ports;
        {
            Receiver receiver(0, nullptr, file);
            receiver.listenWhile([&] {
                UnitSide van(receiver.port), bus(receiver.port);
                ports = {van.socket.localPort(), bus.socket.localPort(), van.socket.localPort()};
                for (int i = 0; i < messages.size(); ++i)
                    (i == 1 ? bus : van).ask(messages[i]);
            });
            const auto *view = receiver.window.findChild<QTableView *>(QStringLiteral("UnitsView"));
            const QAbstractItemModel *model = view->model();
            auto row = [&](int r) {
                QStringList cells;
                for (int c : {0, 1, 2, 4, 5})
                    cells << model->index(r, c).data().toString();
                return cells;
            };
            QTRY_COMPARE(row(0), (QStringList{"VAN001", "127.0.0.1:" + QString::number(ports[0]),
                                              "VAN001,three", "2", ""}));
            QCOMPARE(row(1), (QStringList{"BUS002", "127.0.0.1:" + QString::number(ports[1]),
                                          "BUS002,two", "1", ""}));
            // Columns as wide as their content: the address is shown whole.
            const QString address = row(0).at(1);
            QVERIFY(view->columnWidth(1) > view->fontMetrics().horizontalAdvance(address));
        }
        const QStringList rows =
            recordedRows(file, QStringLiteral("direction, address, port, identifier, hex(data)"));
        const QStringList times = recordedRows(file, QStringLiteral("time"));
        QStringList expected;
        for (int i = 0; i < messages.size(); ++i) {
            const QString unit = QStringLiteral("127.0.0.1 ") + QString::number(ports[i]) + u' ' +
                                 QString::fromLatin1(messages[i].left(6)) + u' ';
            expected << "in " + unit + messages[i].toHex().toUpper()
                     << "out " + unit + (messages[i].left(6) + ",1\r").toHex().toUpper();
        }
        QCOMPARE(rows, expected);
        QVERIFY(std::is_sorted(times.cbegin(), times.cend()));
        QVERIFY(QDateTime::fromString(times.first(), Qt::ISODateWithMs).isValid());
        QVERIFY(times.first().endsWith(u'Z'));
    }

    void forgetsOldestIdleUnits()
    {
        UnitTable table(3);
        auto from = [](quint16 port) { return UnitAddress{loopback, port}; };
        table.heard(from(1), "one", 0);
        table.heard(from(2), "two", 0).answerPending = true;
        table.heard(from(3), "three", 0);
        table.heard(from(1), "one again", 0); // heard again: no longer the oldest
        table.heard(from(4), "four", 0);      // the oldest, 2, still awaits its answer
        QCOMPARE(table.size(), 4);
        table.find(from(2))->answerPending = false;
        table.heard(from(5), "five", 0); // 2 and 3, the oldest idle, go
        QStringList kept;
        table.newestFirst([&](const UnitState &unit) {
            kept << unit.lastMessage;
            return true;
        });
        QCOMPARE(kept, (QStringList{"five", "four", "one again"}));
        QVERIFY(!table.find(from(2)));
    }

    void keepsCommandUntilSent()
    {
        FailingSocket socket;
        Receiver receiver(20, &socket);
        receiver.listenWhile([&] {
            onWindow(receiver.window, [&] {
                enter(receiver.window, "Text1", "RESET", "Command5");
                socket.receive("ABCDEFGH");
            });
            waitForLine(receiver.window, "Send failed: ABCDEF,1RESET (Network is unreachable)");
            onWindow(receiver.window, [&] { socket.failing = false; });
        });
        // Still queued after a restart: Send Data stays disabled until it has gone.
        QStringList states;
        receiver.listenWhile([&] {
            states << onWindow(receiver.window, [&] {
                socket.receive("XYZ");
                return buttonState(receiver.window);
            });
            waitForLine(receiver.window, "Send: XYZ,1RESET");
            states << onWindow(receiver.window, [&] { return buttonState(receiver.window); });
        });
        QCOMPARE(socket.sent, QByteArrayList{"XYZ,1RESET\r"});
        QCOMPARE(states, (QStringList{"010 listening", "011 listening"}));
    }

    void checksPortText()
    {
        const QString invalid = QStringLiteral("Invalid port: %1 (a number from 1 to 65535)");
        QList<std::pair<QString, QString>> rows{{"", "No Port Specified"},
                                                {"6081", "Port :6081 selected !"},
                                                {" 65535", "Port : 65535 selected !"}};
        for (const char *text : {"abc", "0", "65536", "-1", "6081.5", "  "})
            rows.append({text, invalid.arg(QLatin1String(text))});
        for (const auto &[text, line] : rows) {
            ReceiverWindow window; // its own help viewer and socket, as the program makes it
            enter(window, "txtport", text, "Command4");
            QCOMPARE(listLines(window), QStringList{line});
            QCOMPARE(button(window, "Command1")->isEnabled(), line.startsWith("Port :"));
        }
    }

    // By EXIT, or by closing the window.
    void exitEndsListening()
    {
        for (const bool byExitButton : {true, false}) {
            Receiver receiver;
            receiver.window.show();
            receiver.listenWhile([&] {
                onWindow(receiver.window, [&] {
                    if (byExitButton)
                        button(receiver.window, "Command6")->click();
                    else
                        receiver.window.close();
                });
            });
            QVERIFY(!receiver.window.isVisible());
            QVERIFY(!receiver.window.listening());
            QCOMPARE(listLines(receiver.window).constLast(),
                     "Stopped, listening on port " + receiver.portText());
            // The port is free again.
            QUdpSocket again;
            QVERIFY(again.bind(QHostAddress::AnyIPv4, receiver.port, QUdpSocket::DontShareAddress));
        }
    }
};

QTEST_MAIN(TestReceiverWindow)
#include "test_receiver_window.moc"
