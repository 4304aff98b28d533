#pragma once

#include "common/user_message.h"

#include <QString>

class QWidget;

// Every outcome of vortsetup reaches the user as a modal message box with one OK button.
class MessageBoxes
{
public:
    virtual ~MessageBoxes() = default;
    // Returns when the user has closed the box.
    virtual void show(const QString &prompt, const QString &title, MessageIcon icon) = 0;
    void show(const UserMessage &message) { present(message); }

protected:
    virtual void present(const UserMessage &message)
    {
        show(message.prompt, message.title, message.icon);
    }
};

// The production boxes: QMessageBox, modal to the given window.
class WidgetMessageBoxes : public MessageBoxes
{
public:
    explicit WidgetMessageBoxes(QWidget *parent = nullptr) : m_parent(parent) {}
    void setParent(QWidget *parent) { m_parent = parent; }
    using MessageBoxes::show;
    void show(const QString &prompt, const QString &title, MessageIcon icon) override;

protected:
    void present(const UserMessage &message) override;

private:
    QWidget *m_parent;
};
