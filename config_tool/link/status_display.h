#pragma once

#include <QString>

// The controls of the main window that show how a run is going: the six status buttons over the
// picture and the position count labels.
enum class StatusItem {
    Command5,
    Command8,
    Command9,
    Command11,
    Command15,
    Command16,
    Label3,
    Label4
};

class StatusDisplay
{
public:
    virtual ~StatusDisplay() = default;
    virtual void setStatusVisible(StatusItem item, bool visible) = 0;
    // The caption of a label (Label3 counts the positions received).
    virtual void setStatusText(StatusItem item, const QString &text) = 0;
};
