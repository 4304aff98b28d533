#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QFile>
#include <QLocale>
#include <QString>

// The unit's position log as the PC keeps it: each logged position is a 38-character record
// that the unit sends last character first; the PC writes it as one CSV line of eight quoted
// fields (date, time, latitude, N/S, longitude, E/W, speed, course) to a new file named from
// the date and time of the upload.
namespace PositionLog {

constexpr int recordLength = 38;

// Turns received records into CSV lines. It remembers the hemisphere letters of the previous
// record of the same upload: a record with an unknown hemisphere code repeats them (empty
// before the first known code).
class LineWriter
{
public:
    // received: the record's characters in the order they arrived (character 38 first). The
    // fields are cut at fixed places from the reversed text; nothing is interpreted.
    QByteArray line(const QByteArray &received);

private:
    QByteArray m_latitudeLetter;
    QByteArray m_longitudeLetter;
};

// The name of the file of an upload started at the given moment: the locale's short date with
// "/" made "-", "L_", its short time with ":" made ".", and ".csv". Under the C locale (no user
// setting) the date is day-month-year and the time 24-hour with seconds:
// "06-12-2026L_14.03.27.csv".
QString fileName(const QDateTime &moment, const QLocale &locale);

// The name to try when the earlier attempts were taken: attempt 1 is the name itself, attempt
// n > 1 puts "-n" before ".csv".
QString candidateName(const QString &name, int attempt);

// The open file of one upload. It never empties or overwrites an existing file: when the name
// is taken, the next candidate name is used.
class File
{
public:
    // Creates the file in the working directory. False when it cannot be created.
    bool create(const QString &name);
    // Writes a line and hands it to the system at once, so the lines written so far stay in the
    // file whatever ends the upload. False on a write error.
    bool writeLine(const QByteArray &line);
    void close() { m_file.close(); }
    // The name actually created.
    QString name() const { return m_file.fileName(); }

private:
    QFile m_file;
};

} // namespace PositionLog
