#pragma once

#include <QWidget>

class QPlainTextEdit;

// A plain read-only window of the program's own showing a help text, for a system with no
// viewer for text files. Its Close button and Esc close it.
class HelpWindow : public QWidget
{
    Q_OBJECT
public:
    explicit HelpWindow(const QString &path, QWidget *parent = nullptr);

    // The text shown (helpText).
    QPlainTextEdit *text() const { return m_text; }

    // Shows the text at path in a new window that is deleted when closed (the fallback of
    // SystemHelpViewer).
    static void showText(const QString &path);

private:
    QPlainTextEdit *m_text;
};
