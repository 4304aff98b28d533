#include "batch_messages.h"

#include "common/console_lines.h"

void BatchMessages::show(const QString &prompt, const QString &title, MessageIcon icon)
{
    ++m_shown;
    BatchStatus meaning =
        m_meaning ? m_meaning(prompt, title, icon)
                  : (icon == MessageIcon::Critical ? BatchStatus::Failure : BatchStatus::Success);
    if (meaning == BatchStatus::Success) {
        ConsoleLines::write(line(prompt, title));
        return;
    }
    ConsoleLines::writeError(line(prompt, title));
    if (m_firstFailure == BatchStatus::Success)
        m_firstFailure = meaning;
}

void BatchMessages::reset()
{
    m_shown = 0;
    m_firstFailure = BatchStatus::Success;
}

QString BatchMessages::line(const QString &prompt, const QString &title)
{
    return title.isEmpty() ? prompt : title + QStringLiteral(": ") + prompt;
}
