#include "command_line.h"

#include "console_lines.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdlib>
#include <cstring>

namespace CommandLine {

bool hasArgument(int argc, char *argv[], std::initializer_list<const char *> wanted)
{
    for (int i = 1; i < argc; ++i) {
        for (const char *option : wanted) {
            if (std::strcmp(argv[i], option) == 0)
                return true;
        }
    }
    return false;
}

void process(QCommandLineParser &parser, const QCoreApplication &app, const QString &program)
{
    if (!parser.parse(app.arguments())) {
        ConsoleLines::writeError(program + QStringLiteral(": ") + parser.errorText());
        std::exit(badCommandLine);
    }
    if (parser.isSet(QStringLiteral("version")))
        parser.showVersion();
    if (parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("help-all")))
        parser.showHelp(0);
}

} // namespace CommandLine
