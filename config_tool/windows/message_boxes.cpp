#include "message_boxes.h"

#include <QApplication>
#include <QMessageBox>

void WidgetMessageBoxes::show(const QString &prompt, const QString &title, MessageIcon icon)
{
    present(UserMessage{prompt, title, icon});
}

void WidgetMessageBoxes::present(const UserMessage &message)
{
    const QString &prompt = message.prompt;
    const QString &title = message.title;
    const MessageIcon icon = message.icon;
    // A box raised while a screen is shown modally belongs in front of that screen.
    QWidget *modal = QApplication::activeModalWidget();
    QMessageBox box(modal ? modal : m_parent);
    box.setWindowTitle(title);
    box.setText(prompt);
    box.setInformativeText(message.detail);
    switch (icon) {
    case MessageIcon::None:
        box.setIcon(QMessageBox::NoIcon);
        break;
    case MessageIcon::Critical:
        box.setIcon(QMessageBox::Critical);
        break;
    case MessageIcon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
}
