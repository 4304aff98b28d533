#pragma once

#include <QList>
#include <QStringList>

class QWidget;

// Walks the accessibility tree of one window, as a screen reader would, and lists every control
// a person acts on (buttons, boxes, lists, tables ...) that has no name: neither an accessible
// name of its own, nor a caption label tied to it as buddy, nor (for buttons) a caption. Hidden
// controls count too: they are acted on once shown. Each entry names the control by its
// objectName and role, for the failure message.
QStringList unnamedInteractiveControls(QWidget *window);

// An interactive control as the AT-SPI bridge shows it to a screen reader on Linux: its name (for
// a drop-down list on Linux that is its current item), and the names of what it is labelled by
// (captions tied to it as buddy, then the title of the group it sits in).
struct BusControl
{
    QString objectName;
    QString name;
    QStringList labelledBy;
    // The labels that say what this control is: those of the group it sits in say only where.
    QStringList ownLabels;
};
QList<BusControl> busControls(QWidget *window);
