#pragma once

#include <QByteArray>

// The unit's end of the serial line: what it transmits goes to the PC.
class UnitLine
{
public:
    virtual ~UnitLine() = default;
    virtual void transmit(const QByteArray &characters) = 0;
};
