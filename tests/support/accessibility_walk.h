#pragma once

#include <QStringList>

class QWidget;

// Walks the accessibility tree of one window, as a screen reader would, and lists every control
// a person acts on (buttons, boxes, lists, tables ...) that has no name: neither an accessible
// name of its own, nor a caption label tied to it as buddy, nor (for buttons) a caption. Hidden
// controls count too: they are acted on once shown. Each entry names the control by its
// objectName and role, for the failure message.
QStringList unnamedInteractiveControls(QWidget *window);
