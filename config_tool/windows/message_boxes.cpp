#include "message_boxes.h"

#include <QApplication>
#include <QMessageBox>

WidgetMessageBoxes::~WidgetMessageBoxes()
{
    m_waiting.clear();
    delete m_current.data();
}

QMessageBox *WidgetMessageBoxes::current() const
{
    return m_current;
}

void WidgetMessageBoxes::show(const QString &prompt, const QString &title, MessageIcon icon)
{
    present(UserMessage{prompt, title, icon});
}

void WidgetMessageBoxes::present(const UserMessage &message)
{
    m_waiting.append(message);
    if (!m_current)
        showNext();
}

void WidgetMessageBoxes::showNext()
{
    if (m_waiting.isEmpty())
        return;
    const UserMessage message = m_waiting.takeFirst();
    // A box raised while a screen is shown modally belongs in front of that screen.
    QWidget *modal = QApplication::activeModalWidget();
    auto *box = new QMessageBox(modal ? modal : m_parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::ApplicationModal);
    box->setWindowTitle(message.title);
    box->setText(message.prompt);
    box->setInformativeText(message.detail);
    switch (message.icon) {
    case MessageIcon::None:
        box->setIcon(QMessageBox::NoIcon);
        break;
    case MessageIcon::Critical:
        box->setIcon(QMessageBox::Critical);
        break;
    case MessageIcon::Information:
        box->setIcon(QMessageBox::Information);
        break;
    }
    box->setStandardButtons(QMessageBox::Ok);
    // The next box once the user has closed this one.
    QObject::connect(box, &QDialog::finished, box, [this] {
        m_current = nullptr;
        showNext();
    });
    m_current = box;
    box->show();
}
