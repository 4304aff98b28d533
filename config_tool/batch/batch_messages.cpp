#include "batch_messages.h"

#include "common/console_lines.h"

namespace BatchMessages {

QString line(const UserMessage &message)
{
    return message.title.isEmpty() ? message.prompt
                                   : message.title + QStringLiteral(": ") + message.prompt;
}

void print(const UserMessage &message, bool failure)
{
    if (failure)
        ConsoleLines::writeError(line(message));
    else
        ConsoleLines::write(line(message));
}

} // namespace BatchMessages
