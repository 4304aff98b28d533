#pragma once

#include <QString>
#include <QtGlobal>

// What a face shows of how a run is going: the state of the run (one status button each in the
// window) and the count of positions received with its caption.
enum class StatusItem {
    Connecting,               // waking the unit and proving the password
    UploadingConfiguration,   // operation 0
    DownloadingConfiguration, // operation 1
    UploadingPositions,       // operation 2
    DownloadingTable,         // operation 4
    UploadingTable,           // operation 3
    PositionCount,            // the positions received so far
    PositionCountCaption,     // the caption beside the count
};

class StatusDisplay
{
public:
    virtual ~StatusDisplay() = default;
    virtual void setStatusVisible(StatusItem item, bool visible) = 0;
    // The text of a status item (PositionCount counts the positions received).
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
    void endTransfer(StatusItem transferStatus)
    {
        setStatusVisible(transferStatus, false);
        hideProgress();
    }
};
