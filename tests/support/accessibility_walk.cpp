#include "accessibility_walk.h"

#include <QAccessible>
#include <QWidget>

namespace {

bool isInteractive(QAccessible::Role role)
{
    switch (role) {
    case QAccessible::PushButton:
    case QAccessible::ButtonMenu:
    case QAccessible::ButtonDropDown:
    case QAccessible::CheckBox:
    case QAccessible::RadioButton:
    case QAccessible::ComboBox:
    case QAccessible::EditableText:
    case QAccessible::SpinBox:
    case QAccessible::Slider:
    case QAccessible::Dial:
    case QAccessible::List:
    case QAccessible::Table:
    case QAccessible::Tree:
    case QAccessible::PageTab:
        return true;
    default:
        return false;
    }
}

void walk(QAccessibleInterface *node, QStringList &unnamed)
{
    if (!node || !node->isValid() || node->state().invisible)
        return;
    if (isInteractive(node->role())) {
        // Its own parts (a list's items, a box's editor) are named by the control itself.
        if (node->text(QAccessible::Name).trimmed().isEmpty()) {
            const QString name = node->object() ? node->object()->objectName() : QString();
            unnamed << (name.isEmpty() ? QStringLiteral("role %1").arg(int(node->role())) : name);
        }
        return;
    }
    for (int i = 0; i < node->childCount(); ++i)
        walk(node->child(i), unnamed);
}

} // namespace

QStringList unnamedInteractiveControls(QWidget *window)
{
    QStringList unnamed;
    walk(QAccessible::queryAccessibleInterface(window), unnamed);
    return unnamed;
}
