#pragma once

#include <QString>

#include <functional>

// Opens a help text without waiting for it.
class HelpViewer
{
public:
    virtual ~HelpViewer() = default;
    // fileName is relative to the working directory ("info.txt", "download.txt").
    virtual void open(const QString &fileName) = 0;
};

// "notepad <file>" on Windows; the desktop's default viewer (xdg-open, open) elsewhere. When the
// viewer cannot be started, or ends reporting a failure (no viewer for text files), the fallback
// is given the file's path to show the text some other way.
// Looks for the file in the working directory first, then beside the program and in the
// installed documentation folder.
class SystemHelpViewer : public HelpViewer
{
public:
    using Fallback = std::function<void(const QString &path)>;
    // An empty viewer: the system's.
    explicit SystemHelpViewer(Fallback fallback = {}, QString viewer = {});

    void open(const QString &fileName) override;
    static QString locate(const QString &fileName);
    // The same with the program's folder given (bin/ of an installation: ../share/vort/).
    static QString locate(const QString &fileName, const QString &programDir);

private:
    Fallback m_fallback;
    QString m_viewer;
};
