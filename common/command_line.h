#pragma once

#include <initializer_list>

class QCommandLineParser;
class QCoreApplication;
class QString;

// What the programs' command lines have in common.
namespace CommandLine {

// Exit status of a command line that cannot be followed.
constexpr int badCommandLine = 2;

// The release number of the tool set, shared by all its programs.
const char *toolSetRelease();
// The text --version shows: the program's own version caption, then the tool set's release
// ("1.3 (VORT tool set 1.1.0)").
QString versionText(const char *ownVersion);

// Whether one of the arguments is exactly one of wanted (checked before the application object
// exists, e.g. to run without a display).
bool hasArgument(int argc, char *argv[], std::initializer_list<const char *> wanted);

// Like QCommandLineParser::process, but a command line that cannot be followed ends the program
// with badCommandLine after one line "<program>: <reason>" on standard error.
void process(QCommandLineParser &parser, const QCoreApplication &app, const QString &program);

// The same before any application object exists, so that --help, --version and a mistyped
// option are answered without a display. The window system options a QApplication takes
// (-platform, -style ...) are accepted and left to it.
void processBeforeApplication(QCommandLineParser &parser, int argc, char *argv[],
                              const QString &program);

} // namespace CommandLine
