#pragma once

#include "location_table_file.h"

#include <QString>

#include <optional>

// The test a table file's rows pass before they reach the grid: every coordinate cell a plain
// decimal number ("51.4521", "-0.25", "255") that the grid's own editor would also take (at
// most four decimals, below 256 either way). A file whose cells are words, empty or written
// otherwise, or that is no table file at all, is refused whole, so nothing of it can be sent.
namespace TableFileCheck {

struct Fault
{
    enum class Reason { NotANumber, TooManyDecimals, TooLarge };
    int row = 0;
    int column = 0; // 1 latitude, 2 longitude
    QString text;
    Reason reason = Reason::NotANumber;
};

// The first cell of the rows read that fails, in file order.
std::optional<Fault> firstFault(const QList<LocationTableFile::Coordinates> &rows);

// The prompt of the "Error" box that refuses the file, naming the file, the row and the cell.
QString refusal(const QString &fileName, const Fault &fault);

} // namespace TableFileCheck
