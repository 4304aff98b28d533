#include "file_choice.h"

#include <QComboBox>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>

namespace {
// Paths are shown and combined with the platform's own separator ("\" on Windows).
QString separator()
{
    return QString(QDir::separator());
}

QString native(const QString &path)
{
    return QDir::toNativeSeparators(QDir::cleanPath(path));
}

QString rootOf(const QString &path)
{
    QDir dir(path);
    while (dir.cdUp()) {
    }
    return native(dir.absolutePath());
}
} // namespace

FileChoice::FileChoice(QWidget *parent)
    : QObject(parent), m_drive(new QComboBox(parent)), m_directory(new QListWidget(parent)),
      m_files(new QListWidget(parent)), m_text(new QLineEdit(parent))
{
    m_drive->setObjectName(QStringLiteral("Drive1"));
    m_directory->setObjectName(QStringLiteral("Dir1"));
    m_files->setObjectName(QStringLiteral("File1"));
    m_text->setObjectName(QStringLiteral("Text1"));
    m_drive->setAccessibleName(QStringLiteral("Drive"));
    m_directory->setAccessibleName(QStringLiteral("Folder"));
    m_files->setAccessibleName(QStringLiteral("File"));

    fillDrives();
    showDirectory(native(QDir::currentPath()));
    const int drive = m_drive->findText(rootOf(m_path));
    if (drive >= 0)
        m_drive->setCurrentIndex(drive);

    connect(m_drive, &QComboBox::textActivated, this, &FileChoice::setDrive);
    connect(m_directory, &QListWidget::itemActivated, this, [this](QListWidgetItem *item) {
        setDirectoryPath(item->data(Qt::UserRole).toString());
    });
    connect(m_files, &QListWidget::itemClicked, this,
            [this](QListWidgetItem *item) { chooseFile(item->text()); });
    parent->installEventFilter(this);
}

bool FileChoice::eventFilter(QObject *watched, QEvent *event)
{
    // The screen stays loaded while hidden; files may have come and gone meanwhile.
    if (watched == parent() && event->type() == QEvent::Show)
        refresh();
    return QObject::eventFilter(watched, event);
}

void FileChoice::refresh()
{
    const QListWidgetItem *selected = m_files->currentItem();
    const QString selectedName = selected ? selected->text() : QString();
    showDirectory(m_path);
    if (!selectedName.isEmpty()) {
        const QList<QListWidgetItem *> found = m_files->findItems(selectedName, Qt::MatchExactly);
        if (!found.isEmpty())
            m_files->setCurrentItem(found.first());
    }
}

void FileChoice::fillDrives()
{
    for (const QFileInfo &drive : QDir::drives())
        m_drive->addItem(native(drive.absoluteFilePath()));
}

void FileChoice::setDrive(const QString &drive)
{
    const int index = m_drive->findText(drive);
    if (index >= 0 && index != m_drive->currentIndex())
        m_drive->setCurrentIndex(index);
    setDirectoryPath(drive);
}

void FileChoice::setDirectoryPath(const QString &path)
{
    const QString directory = native(path);
    if (directory == m_path)
        return;
    showDirectory(directory);
    m_text->setText(textForDirectory(directory));
}

void FileChoice::chooseFile(const QString &fileName)
{
    m_text->setText(textForFile(m_path, fileName));
}

QString FileChoice::textForDirectory(const QString &directory)
{
    return directory.size() > 4 ? directory + separator() : directory;
}

QString FileChoice::textForFile(const QString &directory, const QString &fileName)
{
    QString text = directory + separator() + fileName;
    text.replace(separator() + separator(), separator());
    return text;
}

void FileChoice::showDirectory(const QString &path)
{
    m_path = path;

    // The directory list shows the way from the root down to the directory, then its
    // subdirectories; activating an entry opens it. A directory that cannot be read shows
    // nothing below it.
    m_directory->clear();
    QStringList chain;
    for (QDir dir(path);;) {
        chain.prepend(native(dir.absolutePath()));
        if (!dir.cdUp())
            break;
    }
    int depth = 0;
    for (const QString &step : chain) {
        const QString name = depth == 0 ? step : QFileInfo(step).fileName();
        auto *item = new QListWidgetItem(QString(qsizetype(depth) * 2, QLatin1Char(' ')) + name,
                                         m_directory);
        item->setData(Qt::UserRole, step);
        ++depth;
    }
    m_directory->setCurrentRow(m_directory->count() - 1);
    const QDir current(path);
    for (const QString &sub : current.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        auto *item =
            new QListWidgetItem(QString(qsizetype(depth) * 2, QLatin1Char(' ')) + sub, m_directory);
        item->setData(Qt::UserRole, native(current.filePath(sub)));
    }

    m_files->clear();
    m_files->addItems(current.entryList(QDir::Files, QDir::Name));
}
