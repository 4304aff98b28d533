#include "unit_choice.h"

#include "realtime_receiver.h"

#include <QSet>

namespace {
constexpr char nextMessage[] = "next message";
} // namespace

UnitChoice::UnitChoice(const RealtimeReceiver &receiver, QWidget *parent)
    : QComboBox(parent), m_receiver(receiver)
{
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    addItem(nextMessage);
}

QString UnitChoice::identifier() const
{
    const QString text = currentText();
    return text == nextMessage ? QString() : text;
}

void UnitChoice::refill()
{
    const QString chosen = currentText();
    QStringList identifiers{nextMessage};
    QSet<QString> seen;
    m_receiver.units().newestFirst([&](const UnitState &unit) {
        if (!seen.contains(unit.identifier)) {
            seen.insert(unit.identifier);
            identifiers << unit.identifier;
        }
        return identifiers.size() <= listed;
    });
    clear();
    addItems(identifiers);
    setCurrentText(chosen);
}

void UnitChoice::showPopup()
{
    refill();
    QComboBox::showPopup();
}
