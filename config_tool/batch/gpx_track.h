#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// A position log as a GPX 1.1 track, for map programs: one track point per usable record, in the
// log's order, with latitude and longitude in decimal degrees (south and west negative), the
// record's date and time as UTC (the unit keeps GPS time; two-digit years are 20yy), and speed
// and course as the log gives them in the point's extensions.
//
// A record the track cannot hold is left out and counted: a line that is not eight fields of
// the log's layout (garbage from a garbled record), an empty or unknown hemisphere letter,
// minutes of 60 or more, a position off the globe, or a date or time that does not exist.
namespace GpxTrack {

// The namespace of the extension elements (speed, course).
inline constexpr char extensionNamespace[] = "urn:vort:position-log:1";
// How many line numbers of left-out records the summary names.
constexpr int linesNamed = 5;

// How a conversion ended (the batch mode's status for each: batchStatusOf in gpx_command.h).
enum class Status {
    Written,       // at least one point written
    NothingUsable, // the log holds no usable record: no track written
    FileError,     // the log cannot be read or the track cannot be written
};

struct Track
{
    QByteArray document; // the GPX document; empty when no record is usable
    int points = 0;
    int leftOut = 0;
    QList<int> firstLeftOutLines; // line numbers (from 1), at most linesNamed
};

// Converts a position log's content; name: the track's name.
Track fromLog(const QByteArray &log, const QString &name);

// The track's default file: the log's path with ".gpx" in place of ".csv".
QString besideName(const QString &logPath);

// Reads the log and writes its track to gpxPath as a whole file (common/whole_file): an existing
// track is replaced whole or not at all, on a full disk too. Prints the points written and the
// records left out (standard output), or why nothing was written (standard error).
Status convert(const QString &logPath, const QString &gpxPath);

} // namespace GpxTrack
