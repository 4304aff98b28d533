#pragma once

#include <QString>
#include <QtGlobal>

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

    // How far the transfer of the phase has come, shown beside its status button: value of
    // maximum characters, bytes or pairs; a maximum of 0 means the total is unknown (busy).
    virtual void setProgress(int value, int maximum)
    {
        Q_UNUSED(value);
        Q_UNUSED(maximum);
    }
    // The transfer has ended, whichever way.
    virtual void hideProgress() {}

    // A phase's status button and its progress go together at the end of the phase.
    void endTransfer(StatusItem statusButton)
    {
        setStatusVisible(statusButton, false);
        hideProgress();
    }
};
