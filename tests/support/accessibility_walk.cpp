#include "accessibility_walk.h"

#include <QAccessible>
#include <QGroupBox>
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

// Calls visit for every interactive control of the tree below node, in the tree's order.
template <typename Visit> void walk(QAccessibleInterface *node, const Visit &visit)
{
    for (int i = 0; i < node->childCount(); ++i) {
        QAccessibleInterface *child = node->child(i);
        // Only controls; the items of lists and the cells of tables belong to their control.
        auto *widget = child ? qobject_cast<QWidget *>(child->object()) : nullptr;
        if (!widget || widget->isWindow())
            continue;
        // What lies inside a control (the drop-down of a list, the scroll bars of a table)
        // belongs to it.
        if (isInteractive(child->role()))
            visit(child, widget);
        else
            walk(child, visit);
    }
}

template <typename Visit> void walkWindow(QWidget *window, const Visit &visit)
{
    if (QAccessibleInterface *root = QAccessible::queryAccessibleInterface(window))
        walk(root, visit);
}
} // namespace

QStringList unnamedInteractiveControls(QWidget *window)
{
    QStringList unnamed;
    walkWindow(window, [&](QAccessibleInterface *control, QWidget *widget) {
        if (!isNamed(control, widget))
            unnamed << QStringLiteral("%1 (role %2)")
                           .arg(widget->objectName().isEmpty() ? widget->metaObject()->className()
                                                               : widget->objectName())
                           .arg(int(control->role()));
    });
    return unnamed;
}

QList<BusControl> busControls(QWidget *window)
{
    QList<BusControl> controls;
    walkWindow(window, [&](QAccessibleInterface *control, QWidget *widget) {
        // The bridge gives each Label relation as "labelled by" its target, named by the
        // target's own name.
        BusControl seen{widget->objectName(), control->text(QAccessible::Name), {}, {}};
        for (const auto &[label, relation] : control->relations(QAccessible::Label)) {
            const QString name = label->text(QAccessible::Name);
            seen.labelledBy << name;
            if (!qobject_cast<QGroupBox *>(label->object()))
                seen.ownLabels << name;
        }
        controls << seen;
    });
    return controls;
}
