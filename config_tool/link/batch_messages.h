#pragma once

#include "message_box.h"

#include <QString>

#include <functional>

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
};

// The message boxes of a batch run: each box becomes one line, "title: prompt" (the prompt
// alone when the box has no title), on standard output, or on standard error when the box
// reports a failure. What a box means is for the run to say (setMeaning).
class BatchMessages : public MessageBoxes
{
public:
    using Meaning =
        std::function<BatchStatus(const QString &prompt, const QString &title, MessageIcon icon)>;

    void setMeaning(Meaning meaning) { m_meaning = std::move(meaning); }
    void show(const QString &prompt, const QString &title, MessageIcon icon) override;

    // Forgets the boxes shown so far.
    void reset();
    int shownCount() const { return m_shown; }
    // The meaning of the first box that reported a failure, Success when none did.
    BatchStatus firstFailure() const { return m_firstFailure; }

    static QString line(const QString &prompt, const QString &title);

private:
    Meaning m_meaning;
    int m_shown = 0;
    BatchStatus m_firstFailure = BatchStatus::Success;
};
