#pragma once

// Seams for the location table tests: every message box and help request is recorded, so a test
// compares the full list and fails on a box it did not expect.
#include "common/help_viewer.h"
#include "link/message_box.h"

#include <QList>
#include <QString>
#include <QStringList>

struct RecordedBox
{
    QString prompt;
    QString title;
    MessageIcon icon;
    bool operator==(const RecordedBox &) const = default;
};

inline char *toString(const RecordedBox &box)
{
    return qstrdup(QStringLiteral("(%1 / %2 / %3)")
                       .arg(box.prompt, box.title)
                       .arg(static_cast<int>(box.icon))
                       .toUtf8()
                       .constData());
}

class RecordingBoxes : public MessageBoxes
{
public:
    void show(const QString &prompt, const QString &title, MessageIcon icon) override
    {
        boxes.append({prompt, title, icon});
    }
    // The boxes shown since the last call.
    QList<RecordedBox> take() { return std::exchange(boxes, {}); }
    QList<RecordedBox> boxes;
};

class RecordingHelp : public HelpViewer
{
public:
    void open(const QString &fileName) override { opened.append(fileName); }
    QStringList opened;
};

inline RecordedBox invalidNumberBox()
{
    return {QStringLiteral("Invalid number"), QStringLiteral("Error"), MessageIcon::Critical};
}
inline RecordedBox loadErrorBox()
{
    return {QStringLiteral("Error loading file"), QStringLiteral("Error"), MessageIcon::Critical};
}
inline RecordedBox savedBox()
{
    return {QStringLiteral("Configuration has been Saved"), QStringLiteral("Saved"),
            MessageIcon::Information};
}
inline RecordedBox saveErrorBox()
{
    return {QStringLiteral("Error saving File !"), QStringLiteral("Error"), MessageIcon::Critical};
}
