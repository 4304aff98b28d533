#include "location_table_options.h"
#include "pty_line.h"
#include "simulated_unit.h"
#include "unit_configuration_phases.h"
#include "unit_phases.h"
#include "unit_position_log_options.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    // A unit answers the moment a character arrives; Qt's own event dispatcher wakes up sooner
    // than the GLib one, and the simulator needs nothing of GLib.
    qputenv("QT_NO_GLIB", "1");
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vortsim"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VORT_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Simulated VORT unit on a pseudo-terminal. Prints the device path on the first line."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption demo(QStringLiteral("demo"),
                                  QStringLiteral("A well-behaved unit with sample contents."));
    const QCommandLineOption silent(QStringLiteral("silent"),
                                    QStringLiteral("Never answer the wake-up \"O\"."));
    const QCommandLineOption refuse(QStringLiteral("refuse-password"),
                                    QStringLiteral("Refuse every password."));
    const QCommandLineOption wrongCase(QStringLiteral("wrong-case"),
                                       QStringLiteral("Answer \"ok0\" instead of \"OK0\"."));
    const QCommandLineOption split(QStringLiteral("split-answer"),
                                   QStringLiteral("Send the end of the answer a while later."));
    const QCommandLineOption splitDelay(QStringLiteral("split-delay-ms"),
                                        QStringLiteral("Delay of the answer's end."),
                                        QStringLiteral("ms"), QStringLiteral("1500"));
    const QCommandLineOption password(QStringLiteral("password"),
                                      QStringLiteral("The unit's password (6048)."),
                                      QStringLiteral("text"), QStringLiteral("6048"));
    const QCommandLineOption digit(QStringLiteral("ready-digit"),
                                   QStringLiteral("The digit of the answer, 0 or 1."),
                                   QStringLiteral("digit"), QStringLiteral("0"));
    const QCommandLineOption reset(QStringLiteral("reset-ms"),
                                   QStringLiteral("Silence after which the unit sleeps again."),
                                   QStringLiteral("ms"), QStringLiteral("5000"));
    parser.addOptions({demo, silent, refuse, wrongCase, split, splitDelay, password, digit, reset});
    addPositionLogOptions(parser);
    parser.addOptions(LocationTableOptions::options());
    parser.addOptions(configurationPhaseOptions());
    parser.process(app);

    SimulatedUnit unit;
    installUnitPhases(unit);
    if (!applyConfigurationPhaseOptions(parser, unit))
        return 1;
    unit.setSilent(parser.isSet(silent));
    unit.setRefusePassword(parser.isSet(refuse));
    unit.setWrongCase(parser.isSet(wrongCase));
    unit.setSplitAnswer(parser.isSet(split), parser.value(splitDelay).toInt());
    unit.setPassword(parser.value(password).toLatin1());
    const QString ready = parser.value(digit);
    unit.setReadyDigit(ready == QLatin1String("1") ? '1' : '0');
    unit.setResetAfterMs(qMax(1, parser.value(reset).toInt()));
    if (QString error; !applyPositionLogOptions(parser, unit, error)) {
        std::fprintf(stderr, "vortsim: %s\n", qPrintable(error));
        return 1;
    }
    LocationTableOptions::apply(parser, unit);

    PtyLine line;
    if (!line.open()) {
        std::fprintf(stderr, "vortsim: cannot open a pseudo-terminal: %s\n",
                     qPrintable(line.errorString()));
        return 1;
    }
    unit.setLine(&line);
    QObject::connect(&line, &PtyLine::received, &unit, &SimulatedUnit::receive);

    std::printf("%s\n", qPrintable(line.devicePath()));
    std::fflush(stdout);
    return app.exec();
}
