#pragma once

#include <optional>

// vortsetup --gpx LOG.csv [--gpx-out FILE]: the GPX track of a position log, with no unit and no
// display. Runs when the command line asks for it (and not for --upload-positions, whose --gpx
// is handled by the batch mode), before any window system is touched; nullopt otherwise.
std::optional<int> runGpxCommand(int argc, char *argv[]);
