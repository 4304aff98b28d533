#pragma once

#include <QString>

#include <optional>

// What an operation or a file action ends with, for a face to tell: a box in a window, a line
// in the batch mode.

// The icon of a box: what kind of news it is.
enum class MessageIcon { None, Critical, Information };

// The words of one box: what an operation or a file action ends with, for a face to show.
struct UserMessage
{
    QString prompt;
    QString title;
    MessageIcon icon = MessageIcon::None;
    // More about it, below the prompt (the system's reason a port did not open); may be empty.
    QString detail = {};
    bool operator==(const UserMessage &) const = default;
};

// How a file action (load, save) ended and the box that tells it, if any.
struct FileOutcome
{
    bool succeeded = false;
    std::optional<UserMessage> message;
};
