#pragma once

#include "common/user_message.h"
#include "location_cells.h"

#include <QAbstractTableModel>
#include <QStringList>

// The table of 100 camera locations as vortsetup holds it for the whole run: ID, latitude and
// longitude texts per row, IDs 0 to 99 and "255" in every coordinate at start. The grid of
// setup2 shows and edits it; the transfers and the table files read and write it.
class LocationTable : public QAbstractTableModel, public LocationCells
{
    Q_OBJECT
public:
    static constexpr int rows = 100;
    static constexpr int columns = 3;
    static constexpr int cellCount = rows * columns;

    explicit LocationTable(QObject *parent = nullptr);

    // By running index, row * 3 + column; an index outside 0 to 299 reads empty and writes
    // nothing.
    QString cellText(int index) const override;
    void setCellText(int index, const QString &text) override;
    QStringList cells() const { return m_cells; }

    // The coordinates of the file named by path, row by row: the rows read before a failure
    // keep their new coordinates, the IDs stay. The box "Error loading file" when the file
    // could not be read whole.
    FileOutcome load(const QString &path);
    // Ends with "Configuration has been Saved" or "Error saving File !".
    FileOutcome save(const QString &path) const;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

private:
    QStringList m_cells;
};
