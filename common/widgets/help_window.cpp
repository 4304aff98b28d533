#include "help_window.h"

#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>

HelpWindow::HelpWindow(const QString &path, QWidget *parent) : QPlainTextEdit(parent)
{
    setObjectName(QStringLiteral("helpWindow"));
    setWindowTitle(QStringLiteral("Help - %1").arg(QFileInfo(path).fileName()));
    setAccessibleName(windowTitle());
    setReadOnly(true);
    // The texts are laid out in columns for a fixed-width font.
    setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    setLineWrapMode(QPlainTextEdit::NoWrap);
    QFile file(path);
    if (file.open(QIODevice::ReadOnly))
        setPlainText(QString::fromUtf8(file.readAll()));
    else
        setPlainText(QStringLiteral("The help text %1 cannot be read: %2")
                         .arg(QFileInfo(path).absoluteFilePath(), file.errorString()));
    resize(fontMetrics().horizontalAdvance(QLatin1Char('x')) * 84, fontMetrics().height() * 40);
}

void HelpWindow::showText(const QString &path)
{
    auto *window = new HelpWindow(path);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
}
