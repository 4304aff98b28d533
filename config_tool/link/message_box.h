#pragma once

#include <QString>

#include <optional>

class QWidget;

// Every outcome of vortsetup reaches the user as a modal message box with one OK button.
enum class MessageIcon { None, Critical, Information };

// The words of one box: what an operation or a file action ends with, for a face to show.
struct UserMessage
{
    QString prompt;
    QString title;
    MessageIcon icon = MessageIcon::None;
    // More about it, below the prompt (the system's reason a port did not open); may be empty.
    QString detail = {};
    bool operator==(const UserMessage &) const = default;
};

// How a file action (load, save) ended and the box that tells it, if any.
struct FileOutcome
{
    bool succeeded = false;
    std::optional<UserMessage> message;
};

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
