#pragma once

#include <QPlainTextEdit>

// A plain read-only window of the program's own showing a help text, for a system with no
// viewer for text files.
class HelpWindow : public QPlainTextEdit
{
    Q_OBJECT
public:
    explicit HelpWindow(const QString &path, QWidget *parent = nullptr);

    // Shows the text at path in a new window that is deleted when closed (the fallback of
    // SystemHelpViewer).
    static void showText(const QString &path);
};
