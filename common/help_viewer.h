#pragma once

#include <QString>

// Opens a help text in the desktop's text viewer without waiting for it.
class HelpViewer
{
public:
    virtual ~HelpViewer() = default;
    // fileName is relative to the working directory ("info.txt", "download.txt").
    virtual void open(const QString &fileName) = 0;
};

// "notepad <file>" on Windows; the desktop's default viewer (xdg-open, open) elsewhere.
// Looks for the file in the working directory first, then beside the program and in the
// installed documentation folder.
class SystemHelpViewer : public HelpViewer
{
public:
    void open(const QString &fileName) override;
    static QString locate(const QString &fileName);
    // The same with the program's folder given (bin/ of an installation: ../share/vort/).
    static QString locate(const QString &fileName, const QString &programDir);
};
