#include "trackmain.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstring>

namespace {
void describe(QCommandLineParser &parser, QCommandLineOption &tick)
{
    parser.setApplicationDescription(
        QStringLiteral("Server: sends operating system files, configuration images and GPS "
                       "location tables to VORT units that call in over UDP."));
    parser.addHelpOption();
    parser.addVersionOption();
    // Shorter ticks for the tests; the shipped program counts whole seconds.
    tick.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOption(tick);
}

bool asksForTextOnly(int argc, char *argv[])
{
    for (int i = 1; i < argc; ++i) {
        for (const char *option : {"-h", "--help", "-?", "--help-all", "-v", "--version"}) {
            if (std::strcmp(argv[i], option) == 0)
                return true;
        }
    }
    return false;
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication::setApplicationName(QStringLiteral("Server"));
    QCoreApplication::setApplicationVersion(QStringLiteral("1.3"));
    QCommandLineParser parser;
    QCommandLineOption tick(QStringLiteral("tick-ms"), QStringLiteral("Tick interval in ms."),
                            QStringLiteral("ms"), QStringLiteral("1000"));
    describe(parser, tick);

    // --help and --version print their text without needing a display.
    if (asksForTextOnly(argc, argv)) {
        QCoreApplication app(argc, argv);
        parser.process(app);
        return 0;
    }

    QApplication app(argc, argv);
    parser.process(app);
    TrackMainOptions options;
    bool ok = false;
    const int tickMs = parser.value(tick).toInt(&ok);
    if (ok && tickMs > 0)
        options.tickIntervalMs = tickMs;
    TrackMain window(std::move(options));
    window.show();
    return app.exec();
}
