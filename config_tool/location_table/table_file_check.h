#pragma once

#include "location_table_file.h"

#include <QString>
#include <QStringList>

#include <optional>

// The test a table's coordinates pass before they reach the grid from a file, and before they
// leave it for the unit: every coordinate cell a plain decimal number ("51.4521", "-0.25", "255")
// that the grid's own editor would also take (at most four decimals, below 256 either way). A
// file whose cells are words, empty or written otherwise, or that is no table file at all, is
// refused whole, so nothing of it can be sent; a grid holding such a cell is not sent.
namespace TableFileCheck {

struct Fault
{
    enum class Reason { NotANumber, TooManyDecimals, TooLarge, Negative };
    int row = 0;
    int column = 0; // 1 latitude, 2 longitude
    QString text;
    Reason reason = Reason::NotANumber;
};

// The first cell of the rows read that fails, in file order.
std::optional<Fault> firstFault(const QList<LocationTableFile::Coordinates> &rows);

// The first coordinate of the grid that cannot go to the unit, in transfer order: a cell that
// fails the test above, or a negative one (the unit takes 0 to 255.9999 only).
// cells: the table by running index, row * 3 + column (300 cells).
std::optional<Fault> firstUnsendable(const QStringList &cells);

// The cell and what is wrong with it: row 3, latitude "abc" is not a number
QString described(const Fault &fault);

// The prompt of the "Error" box that refuses the file, naming the file, the row and the cell.
QString refusal(const QString &fileName, const Fault &fault);

} // namespace TableFileCheck
