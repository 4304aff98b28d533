#pragma once

#include <QComboBox>

class RealtimeReceiver;

// Whom "Send Data" queues the command for: "next message" (the next acknowledgement sent,
// whoever it goes to) or one unit, picked from the identifiers heard (newest first, filled in
// as the list opens) or typed for a unit not heard yet.
class UnitChoice : public QComboBox
{
    Q_OBJECT
public:
    static constexpr int listed = 500; // identifiers offered at most

    UnitChoice(const RealtimeReceiver &receiver, QWidget *parent = nullptr);

    // The chosen unit's identifier; empty for "next message".
    QString identifier() const;
    // Fills the list with the identifiers heard, keeping the text chosen.
    void refill();

    void showPopup() override;

private:
    const RealtimeReceiver &m_receiver;
};
