#pragma once

#include <QString>

// The location table as the transfers reach it: cells by running index, row * 3 + column
// (0 to 299); column 0 is the ID, 1 the latitude, 2 the longitude. The grid of setup2 is the
// production table.
class LocationCells
{
public:
    virtual ~LocationCells() = default;
    virtual QString cellText(int index) const = 0;
    virtual void setCellText(int index, const QString &text) = 0;
};
