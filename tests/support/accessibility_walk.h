#pragma once

#include <QStringList>

class QWidget;

// Walks the window's accessibility tree in-process, as a screen reader or a UI automation tool
// sees it, and lists every visible control a person acts on (button, box, list, grid ...) that
// has no accessible name: by object name, else by role. Empty when every control is named.
QStringList unnamedInteractiveControls(QWidget *window);
