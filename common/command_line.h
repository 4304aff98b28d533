#pragma once

class QCommandLineParser;
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

// Lets the parser accept, and hide from its help, the window system options a QApplication takes
// (-platform, -style ...), so that a command line read before the application object exists
// still leaves them to it.
void acceptWindowSystemOptions(QCommandLineParser &parser);

// The same before any application object exists, so that --help, --version and a mistyped
// option are answered without a display. The window system options a QApplication takes
// (-platform, -style ...) are accepted and left to it.
void processBeforeApplication(QCommandLineParser &parser, int argc, char *argv[],
                              const QString &program);

} // namespace CommandLine
