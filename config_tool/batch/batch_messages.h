#pragma once

#include "common/user_message.h"

#include <QString>

// What a batch run of vortsetup ends with: its exit status.
enum class BatchStatus {
    Success = 0,
    Failure = 1,              // an end no other status describes
    CommandLine = 2,          // the command line cannot be followed
    PortNotAvailable = 3,     // the COM port cannot be opened
    InvalidPassword = 4,      // the unit refused the password
    InvalidConfiguration = 5, // the configuration (or table) fails its checks
    TransferFailed = 6,       // the exchange with the unit failed
    FileError = 7,            // a file cannot be read or written
    Stopped = 8,              // SIGINT or SIGTERM ended the run
    NoAnswer = 9,             // the unit did not answer within the connect time-out
    PortLost = 10,            // the serial device went away during an operation
};

// The boxes of a batch run: each becomes one line, "title: prompt" (the prompt alone when the
// box has no title), on standard output, or on standard error when it tells of a failure.
namespace BatchMessages {
QString line(const UserMessage &message);
void print(const UserMessage &message, bool failure);
} // namespace BatchMessages
