#pragma once

#include "common/user_message.h"

#include <QList>
#include <QPointer>
#include <QString>

class QMessageBox;
class QWidget;

// Every outcome of vortsetup reaches the user as a modal message box with one OK button.
class MessageBoxes
{
public:
    virtual ~MessageBoxes() = default;
    // Puts the box in front of the user; boxes raised together are seen one after another.
    virtual void show(const QString &prompt, const QString &title, MessageIcon icon) = 0;
    void show(const UserMessage &message) { present(message); }

protected:
    virtual void present(const UserMessage &message)
    {
        show(message.prompt, message.title, message.icon);
    }
};

// The production boxes: QMessageBox, application-modal, shown without waiting for the user.
// A box raised while another is open waits its turn, so the order the user reads stays the
// order the program said them in.
class WidgetMessageBoxes : public MessageBoxes
{
public:
    explicit WidgetMessageBoxes(QWidget *parent = nullptr) : m_parent(parent) {}
    ~WidgetMessageBoxes() override;
    void setParent(QWidget *parent) { m_parent = parent; }
    using MessageBoxes::show;
    void show(const QString &prompt, const QString &title, MessageIcon icon) override;

    // The box on screen, if any (for the window's tests).
    QMessageBox *current() const;

protected:
    void present(const UserMessage &message) override;

private:
    void showNext();

    QWidget *m_parent;
    QList<UserMessage> m_waiting;
    QPointer<QMessageBox> m_current;
};
