#include "help_window.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

HelpWindow::HelpWindow(const QString &path, QWidget *parent)
    : QWidget(parent), m_text(new QPlainTextEdit(this))
{
    setObjectName(QStringLiteral("helpWindow"));
    setWindowTitle(QStringLiteral("Help - %1").arg(QFileInfo(path).fileName()));
    m_text->setObjectName(QStringLiteral("helpText"));
    m_text->setAccessibleName(windowTitle());
    m_text->setReadOnly(true);
    // The texts are laid out in columns for a fixed-width font.
    m_text->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_text->setLineWrapMode(QPlainTextEdit::NoWrap);
    QFile file(path);
    if (file.open(QIODevice::ReadOnly))
        m_text->setPlainText(QString::fromUtf8(file.readAll()));
    else
        m_text->setPlainText(QStringLiteral("The help text %1 cannot be read: %2")
                                 .arg(QFileInfo(path).absoluteFilePath(), file.errorString()));

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->setObjectName(QStringLiteral("helpButtons"));
    buttons->button(QDialogButtonBox::Close)->setObjectName(QStringLiteral("helpClose"));
    connect(buttons, &QDialogButtonBox::rejected, this, &QWidget::close);
    auto *escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &QWidget::close);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_text);
    layout->addWidget(buttons);
    const QFontMetrics metrics(m_text->font());
    resize(metrics.horizontalAdvance(QLatin1Char('x')) * 84, metrics.height() * 40);
}

void HelpWindow::showText(const QString &path)
{
    auto *window = new HelpWindow(path);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
}
