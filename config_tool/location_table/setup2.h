#pragma once

#include <QDialog>
#include <QString>

class QTableWidget;

// The GPS location table screen "GPS Location Table": the 100 x 3 grid MSFlexGrid1 of camera
// locations (ID, latitude, longitude). Created hidden at start-up and only shown and hidden, so
// the table lives for the whole run.
class Setup2 : public QDialog
{
    Q_OBJECT
public:
    static constexpr int rowCount = 100;
    static constexpr int columnCount = 3;
    static constexpr int cellCount = rowCount * columnCount;

    explicit Setup2(QWidget *parent = nullptr);

    // IDs 0 to 99 and "255" in every coordinate cell.
    void setStartingValues();

    // A cell by its running index, row * 3 + column (0 to 299).
    QString cellText(int index) const;
    void setCellText(int index, const QString &text);

    QTableWidget *grid() const { return m_grid; }

private:
    QTableWidget *m_grid;
};
