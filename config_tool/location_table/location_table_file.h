#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

struct QuotedField;

// The GPS location table file, which vortsetup writes and the download server reads: 100 lines,
// one per row, each the row's ID, latitude and longitude texts in double quotes, separated by
// commas, ended by CR LF; single-byte characters.
namespace LocationTableFile {

inline constexpr int rowCount = 100;

// cells: the table by running index, row * 3 + column (300 cells).
QByteArray write(const QStringList &cells);

struct Coordinates
{
    QString latitude;
    QString longitude;
};

struct ReadResult
{
    // The rows read in full, from row 0 on; the IDs of the file are not kept.
    QList<Coordinates> rows;
    // False when the content ran out before row 99 was read.
    bool complete() const { return rows.size() == rowCount; }
};

ReadResult read(const QByteArray &content);

// The cell text a field of the file gives: quoted text as it stands, an unquoted number in its
// shortest decimal form (12.50 gives 12.5), any other unquoted text as it stands.
QString cellTextOf(const QuotedField &field);

} // namespace LocationTableFile
