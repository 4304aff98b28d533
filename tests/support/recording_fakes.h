#pragma once

#include "recording_help_viewer.h"
#include "windows/message_boxes.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QTest>

// One message box as the user would have seen it.
struct ShownMessage
{
    QString prompt;
    QString title;
    MessageIcon icon;
    bool operator==(const ShownMessage &) const = default;
};

// Records every message box instead of showing it; a test compares the whole list, so a box it
// did not expect fails it.
class RecordingMessageBoxes : public MessageBoxes
{
public:
    using MessageBoxes::show;
    void show(const QString &prompt, const QString &title, MessageIcon icon) override
    {
        shown.append({prompt, title, icon});
        details.append(QString());
    }
    QList<ShownMessage> shown;
    QStringList details; // the informative text of each box shown, empty for none

protected:
    void present(const UserMessage &message) override
    {
        MessageBoxes::present(message);
        details.last() = message.detail;
    }
};

// For QCOMPARE.
inline char *toString(const ShownMessage &message)
{
    return QTest::toString(QStringLiteral("\"%1\" / \"%2\" / icon %3")
                               .arg(message.prompt, message.title)
                               .arg(int(message.icon)));
}
