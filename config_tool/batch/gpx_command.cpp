#include "gpx_command.h"

#include "common/console_lines.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstring>

namespace {
bool isOption(const char *argument, const char *name)
{
    const size_t length = std::strlen(name);
    return std::strncmp(argument, "--", 2) == 0 && std::strncmp(argument + 2, name, length) == 0 &&
           (argument[2 + length] == '\0' || argument[2 + length] == '=');
}

bool asksForConversion(int argc, char *argv[])
{
    bool conversion = false;
    for (int i = 1; i < argc; ++i) {
        // The help text and the batch mode's --gpx belong to the full command line.
        for (const char *other : {"upload-positions", "help", "help-all", "version"}) {
            if (isOption(argv[i], other))
                return false;
        }
        if (std::strcmp(argv[i], "-h") == 0 || std::strcmp(argv[i], "-?") == 0 ||
            std::strcmp(argv[i], "-v") == 0)
            return false;
        conversion = conversion || isOption(argv[i], "gpx") || isOption(argv[i], "gpx-out");
    }
    return conversion;
}

int refused(const QString &text)
{
    ConsoleLines::writeError(QStringLiteral("vortsetup: ") + text);
    return int(BatchStatus::CommandLine);
}
} // namespace

std::optional<int> runGpxCommand(int argc, char *argv[])
{
    if (!asksForConversion(argc, argv))
        return std::nullopt;
    const QCoreApplication application(argc, argv);
    QCommandLineParser parser;
    const QCommandLineOption logOption(QStringLiteral("gpx"), QString(), QStringLiteral("log"));
    const QCommandLineOption outOption(QStringLiteral("gpx-out"), QString(),
                                       QStringLiteral("file"));
    parser.addOptions({logOption, outOption});
    if (!parser.parse(QCoreApplication::arguments()))
        return refused(parser.errorText());
    const QStringList logs = parser.values(logOption);
    if (logs.size() != 1 || parser.values(outOption).size() > 1 ||
        !parser.positionalArguments().isEmpty())
        return refused(QStringLiteral("--gpx takes one position log, --gpx-out at most one file"));
    const QString &log = logs.front();
    const QString track =
        parser.isSet(outOption) ? parser.value(outOption) : GpxTrack::besideName(log);
    return int(batchStatusOf(GpxTrack::convert(log, track)));
}

BatchStatus batchStatusOf(GpxTrack::Status status)
{
    switch (status) {
    case GpxTrack::Status::Written:
        return BatchStatus::Success;
    case GpxTrack::Status::NothingUsable:
        return BatchStatus::InvalidConfiguration;
    case GpxTrack::Status::FileError:
        return BatchStatus::FileError;
    }
    return BatchStatus::Failure;
}
