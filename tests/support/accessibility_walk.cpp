#include "accessibility_walk.h"

#include <QAccessible>
#include <QWidget>

namespace {
bool isInteractive(QAccessible::Role role)
{
    static const QList<QAccessible::Role> roles = {
        QAccessible::PushButton, QAccessible::CheckBox,      QAccessible::RadioButton,
        QAccessible::ComboBox,   QAccessible::EditableText,  QAccessible::SpinBox,
        QAccessible::Slider,     QAccessible::Dial,          QAccessible::List,
        QAccessible::Table,      QAccessible::Tree,          QAccessible::PageTabList,
        QAccessible::ButtonMenu, QAccessible::ButtonDropDown};
    return roles.contains(role);
}

// Some interfaces give their content as name (a drop-down list its current item on Linux), so
// only what names the control itself counts.
bool isNamed(QAccessibleInterface *control, QWidget *widget)
{
    static const QList<QAccessible::Role> captioned = {
        QAccessible::PushButton, QAccessible::CheckBox, QAccessible::RadioButton,
        QAccessible::ButtonMenu, QAccessible::ButtonDropDown};
    return !widget->accessibleName().trimmed().isEmpty() ||
           !control->relations(QAccessible::Label).isEmpty() ||
           (captioned.contains(control->role()) &&
            !control->text(QAccessible::Name).trimmed().isEmpty());
}

void walk(QAccessibleInterface *node, QStringList &unnamed)
{
    for (int i = 0; i < node->childCount(); ++i) {
        QAccessibleInterface *child = node->child(i);
        // Only controls; the items of lists and the cells of tables belong to their control.
        auto *widget = child ? qobject_cast<QWidget *>(child->object()) : nullptr;
        if (!widget || widget->isWindow())
            continue;
        if (!isInteractive(child->role())) {
            walk(child, unnamed);
            continue;
        }
        // What lies inside a control (the drop-down of a list, the scroll bars of a table)
        // belongs to it.
        if (!isNamed(child, widget))
            unnamed << QStringLiteral("%1 (role %2)")
                           .arg(widget->objectName().isEmpty() ? widget->metaObject()->className()
                                                               : widget->objectName())
                           .arg(int(child->role()));
    }
}
} // namespace

QStringList unnamedInteractiveControls(QWidget *window)
{
    QStringList unnamed;
    if (QAccessibleInterface *root = QAccessible::queryAccessibleInterface(window))
        walk(root, unnamed);
    return unnamed;
}
