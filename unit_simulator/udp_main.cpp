// vortsim-udp: a simulated unit on this PC that calls a Server for its downloads or sends its
// real-time positions to Quellix, so both programs can be tried without a unit.
#include "realtime_sender.h"
#include "server_caller.h"
#include "unit_fleet.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>
#include <memory>
#include <optional>

namespace {
void print(const QString &line)
{
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
}

std::optional<quint16> portValue(const QString &text)
{
    bool ok = false;
    const uint port = text.toUInt(&ok);
    if (!ok || port < 1 || port > 65535)
        return std::nullopt;
    return quint16(port);
}

int fail(const QString &message)
{
    std::fprintf(stderr, "vortsim-udp: %s\n", qPrintable(message));
    return 2;
}
// The fleet: one line at the end, "fleet: <units> units, <completed> complete, <given up>
// given up, <packets> packets, <ms> ms".
int runFleet(const QCommandLineParser &parser, quint16 port, const QCommandLineOption &units,
             const QCommandLineOption &answerDelay, const QCommandLineOption &request,
             const QByteArray &identifier, QCoreApplication &app)
{
    bool ok = false;
    const int count = parser.value(units).toInt(&ok);
    if (!ok || count < 1 || count > 20000)
        return fail(QStringLiteral("--units expects a number from 1 to 20000"));
    UnitFleet::Options options;
    options.port = port;
    options.units = count;
    options.answerDelayMs = qMax(0, parser.value(answerDelay).toInt());
    options.request =
        parser.isSet(request) ? parser.value(request).toLatin1() : identifier + ",V610,UPLOAD";
    UnitFleet fleet(options);
    QObject::connect(&fleet, &UnitFleet::finished, &app, [&] {
        print(QStringLiteral("fleet: %1 units, %2 complete, %3 given up, %4 packets, %5 ms")
                  .arg(count)
                  .arg(fleet.completed())
                  .arg(fleet.givenUp())
                  .arg(fleet.packets())
                  .arg(fleet.elapsedMs()));
        QCoreApplication::quit();
    });
    if (!fleet.start())
        return fail(QStringLiteral("cannot open %1 UDP ports on 127.0.0.1").arg(count));
    return app.exec();
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vortsim-udp"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VORT_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Simulated VORT unit on 127.0.0.1 for Server (--server) or Quellix (--realtime)."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption server(QStringLiteral("server"),
                                    QStringLiteral("Call the Server listening on <port>."),
                                    QStringLiteral("port"));
    const QCommandLineOption request(
        QStringLiteral("request"),
        QStringLiteral("A request to make, in order (repeatable; default <id>,V610,CONFIG then "
                       "<id>,V610,GPSLOC then <id>,V610,UPLOAD)."),
        QStringLiteral("text"));
    const QCommandLineOption every(QStringLiteral("every"),
                                   QStringLiteral("Call again after <s> seconds of silence (6)."),
                                   QStringLiteral("s"), QStringLiteral("6"));
    const QCommandLineOption dropEvery(
        QStringLiteral("drop-every"),
        QStringLiteral("Leave every <n>-th packet unanswered, to see the Server resend it."),
        QStringLiteral("n"), QStringLiteral("0"));
    const QCommandLineOption realtime(QStringLiteral("realtime"),
                                      QStringLiteral("Send positions to Quellix on <port>."),
                                      QStringLiteral("port"));
    const QCommandLineOption id(QStringLiteral("id"),
                                QStringLiteral("The unit's 6-character identification (VAN042)."),
                                QStringLiteral("text"), QStringLiteral("VAN042"));
    const QCommandLineOption interval(QStringLiteral("interval-ms"),
                                      QStringLiteral("Time between two positions (2000)."),
                                      QStringLiteral("ms"), QStringLiteral("2000"));
    const QCommandLineOption count(QStringLiteral("count"),
                                   QStringLiteral("Positions to send, 0 for no end (0)."),
                                   QStringLiteral("n"), QStringLiteral("0"));
    const QCommandLineOption units(
        QStringLiteral("units"),
        QStringLiteral("Play a fleet of <n> units, each from its own port, numbered 00000U, "
                       "00001U, ... With --server: all call at once with the first --request "
                       "(default <id>,V610,UPLOAD), then one line when all have ended. With "
                       "--realtime: each sends its positions, its lines led by its number."),
        QStringLiteral("n"));
    const QCommandLineOption answerDelay(
        QStringLiteral("answer-delay-ms"),
        QStringLiteral("Fleet: wait <ms> before each acknowledgement (0)."), QStringLiteral("ms"),
        QStringLiteral("0"));
    parser.addOptions(
        {server, request, every, dropEvery, realtime, id, interval, count, units, answerDelay});
    parser.process(app);

    if (parser.isSet(server) == parser.isSet(realtime))
        return fail(QStringLiteral("give either --server <port> or --realtime <port>"));

    const QByteArray identifier = parser.value(id).toLatin1();
    if (identifier.size() != 6)
        return fail(QStringLiteral("--id expects 6 characters"));

    if (parser.isSet(server)) {
        const auto port = portValue(parser.value(server));
        if (!port)
            return fail(QStringLiteral("--server expects a port from 1 to 65535"));
        if (parser.isSet(units))
            return runFleet(parser, *port, units, answerDelay, request, identifier, app);
        ServerCaller::Options options;
        options.port = *port;
        for (const QString &text : parser.values(request))
            options.requests << text.toLatin1();
        if (options.requests.isEmpty()) {
            for (const char *keyword : {"CONFIG", "GPSLOC", "UPLOAD"})
                options.requests << identifier + ",V610," + keyword;
        }
        options.recallMs = qMax(1, parser.value(every).toInt()) * 1000;
        options.dropEvery = qMax(0, parser.value(dropEvery).toInt());
        auto *caller = new ServerCaller(options, print, &app);
        QObject::connect(caller, &ServerCaller::finished, &app, [] { QCoreApplication::quit(); });
        if (!caller->start())
            return fail(QStringLiteral("cannot open a UDP port on 127.0.0.1"));
        return app.exec();
    }

    const auto port = portValue(parser.value(realtime));
    if (!port)
        return fail(QStringLiteral("--realtime expects a port from 1 to 65535"));
    bool fleetOk = true;
    const int senders = parser.isSet(units) ? parser.value(units).toInt(&fleetOk) : 1;
    if (!fleetOk || senders < 1 || senders > 20000)
        return fail(QStringLiteral("--units expects a number from 1 to 20000"));
    RealtimeSender::Options options;
    options.port = *port;
    options.intervalMs = qMax(10, parser.value(interval).toInt());
    options.count = qMax(0, parser.value(count).toInt());
    // With --count, the program ends when every unit has sent its positions.
    const auto running = std::make_shared<int>(senders);
    for (int i = 0; i < senders; ++i) {
        options.identifier = parser.isSet(units) ? UnitFleet::unitIdentifier(i) : identifier;
        const QString lead =
            parser.isSet(units) ? QString::fromLatin1(options.identifier) + u' ' : QString();
        auto *sender = new RealtimeSender(
            options, [lead](const QString &line) { print(lead + line); }, &app);
        QObject::connect(sender, &RealtimeSender::finished, &app, [running] {
            if (--*running == 0)
                QCoreApplication::quit();
        });
        if (!sender->start())
            return fail(QStringLiteral("cannot open a UDP port on 127.0.0.1"));
    }
    return app.exec();
}
