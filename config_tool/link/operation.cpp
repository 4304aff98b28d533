#include "operation.h"

namespace Operation {

char letter(int code)
{
    static constexpr char letters[count] = {'U', 'D', 'L', 'C', 'O'};
    return code >= 0 && code < count ? letters[code] : '\0';
}

StatusItem statusButton(int code)
{
    switch (code) {
    case uploadConfiguration:
        return StatusItem::Command8;
    case downloadConfiguration:
        return StatusItem::Command9;
    case uploadLocations:
        return StatusItem::Command11;
    case uploadLocationTable:
        return StatusItem::Command16;
    default:
        return StatusItem::Command15;
    }
}

bool closesPortAfterFailure(int code)
{
    return code == downloadConfiguration;
}

} // namespace Operation
