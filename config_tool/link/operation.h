#pragma once

#include "status_display.h"

// The five operations with the unit, by operationCode.
namespace Operation {
enum Code : int {
    uploadConfiguration = 0,
    downloadConfiguration = 1,
    uploadLocations = 2,
    uploadLocationTable = 3,
    downloadLocationTable = 4,
};
constexpr int count = 5;

// The letter that names the operation to the unit: "U", "D", "L", "C", "O".
char letter(int code);
// The state the operation's phase shows while it runs.
StatusItem transferStatus(int code);
// A failed download of the configuration leaves the port closed; the others leave it open.
bool closesPortAfterFailure(int code);
} // namespace Operation
