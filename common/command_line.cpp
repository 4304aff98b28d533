#include "command_line.h"

#include "console_lines.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdlib>
#include <cstring>

namespace CommandLine {

const char *toolSetRelease()
{
    return VORT_RELEASE;
}

QString versionText(const char *ownVersion)
{
    return QStringLiteral("%1 (VORT tool set %2)")
        .arg(QLatin1String(ownVersion), QLatin1String(toolSetRelease()));
}

namespace {

void answer(QCommandLineParser &parser, bool parsed, const QString &program)
{
    if (!parsed) {
        ConsoleLines::writeError(program + QStringLiteral(": ") + parser.errorText());
        std::exit(badCommandLine);
    }
    if (parser.isSet(QStringLiteral("version")))
        parser.showVersion();
}

bool wantsHelp(const QCommandLineParser &parser)
{
    return parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("help-all"));
}

} // namespace

// QGuiApplication's and QApplication's own options; those that take a value say so.
void acceptWindowSystemOptions(QCommandLineParser &parser)
{
    // Qt's options are single-dash words (-platform), not bundles of letters.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const char *withValue[] = {"platform",
                               "platformpluginpath",
                               "platformtheme",
                               "plugin",
                               "qwindowgeometry",
                               "qwindowicon",
                               "qwindowtitle",
                               "session",
                               "display",
                               "name",
                               "geometry",
                               "title",
                               "icon",
                               "style",
                               "stylesheet",
                               "qmljsdebugger",
                               "font",
                               "fn"};
    const char *flags[] = {"reverse", "widgetcount", "nograb", "dograb", "sync"};
    for (const char *name : withValue) {
        QCommandLineOption option(QLatin1String(name), QString(), QStringLiteral("value"));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
    for (const char *name : flags) {
        QCommandLineOption option{QString::fromLatin1(name)};
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
}

void processBeforeApplication(QCommandLineParser &parser, int argc, char *argv[],
                              const QString &program)
{
    acceptWindowSystemOptions(parser);
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    answer(parser, parser.parse(arguments), program);
    if (wantsHelp(parser)) {
        // The help names the program as it was started, which it takes from the application.
        QCoreApplication app(argc, argv);
        parser.showHelp(0);
    }
}

} // namespace CommandLine
