#pragma once

#include <QObject>
#include <QString>

class QComboBox;
class QLineEdit;
class QListWidget;
class QWidget;

// The file choice of a screen: drive list Drive1, directory list Dir1, file list File1 (all
// files, no pattern) and the path box Text1, which can also be typed into. The screen places
// the four controls; this class links them:
// - a new drive moves the directory list to that drive's root;
// - a new directory moves the file list there and puts the directory into Text1, with a
//   separator appended when the path is longer than 4 characters (a drive root stays as it is);
// - a click on a file puts directory, separator and file name into Text1, doubled separators
//   made single.
// At start the lists show the current directory and Text1 is empty. The lists are read again
// each time the screen is shown and after each save (refresh), so new files appear in them.
class FileChoice : public QObject
{
    Q_OBJECT
public:
    explicit FileChoice(QWidget *parent);

    QComboBox *driveList() const { return m_drive; }
    QListWidget *directoryList() const { return m_directory; }
    QListWidget *fileList() const { return m_files; }
    QLineEdit *pathText() const { return m_text; }

    // The directory that Dir1 shows, with the platform's separators.
    QString directoryPath() const { return m_path; }
    // As choosing a directory in Dir1 (a change of path only).
    void setDirectoryPath(const QString &path);
    // As choosing a drive in Drive1.
    void setDrive(const QString &drive);
    // As clicking a file of File1.
    void chooseFile(const QString &fileName);
    // Reads the directory shown again; Text1 and the file selected stay.
    void refresh();

    // What Text1 shows after a directory or a file has been chosen.
    static QString textForDirectory(const QString &directory);
    static QString textForFile(const QString &directory, const QString &fileName);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void showDirectory(const QString &path);
    void fillDrives();

    QComboBox *m_drive;
    QListWidget *m_directory;
    QListWidget *m_files;
    QLineEdit *m_text;
    QString m_path;
};
