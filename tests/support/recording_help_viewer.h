#pragma once

#include "common/help_viewer.h"

#include <QStringList>

// Records the help files that would have been opened.
class RecordingHelpViewer : public HelpViewer
{
public:
    void open(const QString &fileName) override { opened.append(fileName); }
    QStringList opened;
};
