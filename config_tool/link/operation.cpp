#include "operation.h"

namespace Operation {

char letter(int code)
{
    static constexpr char letters[count] = {'U', 'D', 'L', 'C', 'O'};
    return code >= 0 && code < count ? letters[code] : '\0';
}

StatusItem transferStatus(int code)
{
    switch (code) {
    case uploadConfiguration:
        return StatusItem::UploadingConfiguration;
    case downloadConfiguration:
        return StatusItem::DownloadingConfiguration;
    case uploadLocations:
        return StatusItem::UploadingPositions;
    case uploadLocationTable:
        return StatusItem::UploadingTable;
    default:
        return StatusItem::DownloadingTable;
    }
}

bool closesPortAfterFailure(int code)
{
    return code == downloadConfiguration;
}

} // namespace Operation
