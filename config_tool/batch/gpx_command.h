#pragma once

#include "batch_messages.h"
#include "gpx_track.h"

#include <optional>

// The exit status of a conversion, the batch mode's: 0 written, 5 nothing usable, 7 a file
// that cannot be read or written.
BatchStatus batchStatusOf(GpxTrack::Status status);

// vortsetup --gpx LOG.csv [--gpx-out FILE]: the GPX track of a position log, with no unit and no
// display. Runs when the command line asks for it (and not for --upload-positions, whose --gpx
// is handled by the batch mode), before any window system is touched; nullopt otherwise.
std::optional<int> runGpxCommand(int argc, char *argv[]);
