#pragma once

#include <QString>

class QWidget;

// Every outcome of vortsetup reaches the user as a modal message box with one OK button.
enum class MessageIcon { None, Critical, Information };

class MessageBoxes
{
public:
    virtual ~MessageBoxes() = default;
    // Returns when the user has closed the box.
    virtual void show(const QString &prompt, const QString &title, MessageIcon icon) = 0;
};

// The production boxes: QMessageBox, modal to the given window.
class WidgetMessageBoxes : public MessageBoxes
{
public:
    explicit WidgetMessageBoxes(QWidget *parent = nullptr) : m_parent(parent) {}
    void setParent(QWidget *parent) { m_parent = parent; }
    void show(const QString &prompt, const QString &title, MessageIcon icon) override;

private:
    QWidget *m_parent;
};
