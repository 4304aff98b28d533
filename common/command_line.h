#pragma once

#include <initializer_list>

class QCommandLineParser;
class QCoreApplication;
class QString;

// What the programs' command lines have in common.
namespace CommandLine {

// Exit status of a command line that cannot be followed.
constexpr int badCommandLine = 2;

// Whether one of the arguments is exactly one of wanted (checked before the application object
// exists, e.g. to run without a display).
bool hasArgument(int argc, char *argv[], std::initializer_list<const char *> wanted);

// Like QCommandLineParser::process, but a command line that cannot be followed ends the program
// with badCommandLine after one line "<program>: <reason>" on standard error.
void process(QCommandLineParser &parser, const QCoreApplication &app, const QString &program);

} // namespace CommandLine
