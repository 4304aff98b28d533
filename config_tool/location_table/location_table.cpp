#include "location_table.h"

#include "common/whole_file.h"
#include "location_table_file.h"
#include "table_file_check.h"

#include <QFile>

LocationTable::LocationTable(QObject *parent) : QAbstractTableModel(parent)
{
    m_cells.reserve(cellCount);
    for (int row = 0; row < rows; ++row)
        m_cells << QString::number(row) << QStringLiteral("255") << QStringLiteral("255");
}

QString LocationTable::cellText(int index) const
{
    return index >= 0 && index < cellCount ? m_cells.at(index) : QString();
}

void LocationTable::setCellText(int index, const QString &text)
{
    if (index < 0 || index >= cellCount || m_cells.at(index) == text)
        return;
    m_cells[index] = text;
    const QModelIndex cell = this->index(index / columns, index % columns);
    emit dataChanged(cell, cell, {Qt::DisplayRole});
}

FileOutcome LocationTable::load(const QString &path)
{
    FileOutcome failed{false, UserMessage{QStringLiteral("Error loading file"),
                                          QStringLiteral("Error"), MessageIcon::Critical}};
    if (path.isEmpty())
        return failed;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return failed;
    const QByteArray content = file.readAll();
    const bool readError = file.error() != QFileDevice::NoError;
    file.close();

    // A cell the grid would not take refuses the whole file: nothing of it reaches the table.
    // Otherwise the rows read before a failure keep their new coordinates; the IDs stay.
    const LocationTableFile::ReadResult result = LocationTableFile::read(content);
    if (const auto fault = TableFileCheck::firstFault(result.rows))
        return {false, UserMessage{TableFileCheck::refusal(path, *fault), QStringLiteral("Error"),
                                   MessageIcon::Critical}};
    for (qsizetype row = 0; row < result.rows.size(); ++row) {
        setCellText(static_cast<int>(row) * columns + 1, result.rows[row].latitude);
        setCellText(static_cast<int>(row) * columns + 2, result.rows[row].longitude);
    }
    if (readError || !result.complete())
        return failed;
    return {true, std::nullopt};
}

FileOutcome LocationTable::save(const QString &path) const
{
    // Written beside the old file and swapped in at the end, so a failed save leaves an
    // existing table file as it was.
    if (WholeFile::write(path, LocationTableFile::write(m_cells)))
        return {true, UserMessage{QStringLiteral("Configuration has been Saved"),
                                  QStringLiteral("Saved"), MessageIcon::Information}};
    return {false, UserMessage{QStringLiteral("Error saving File !"), QStringLiteral("Error"),
                               MessageIcon::Critical}};
}

int LocationTable::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : rows;
}

int LocationTable::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : columns;
}

QVariant LocationTable::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    return cellText(index.row() * columns + index.column());
}
