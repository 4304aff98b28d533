#pragma once

#include "location_table/location_table.h"

#include <QDialog>
#include <QString>
#include <QStringList>

#include <memory>

class FileChoice;
class HelpViewer;
class MessageBoxes;
class QLineEdit;
class QPushButton;
class QTableWidget;
class QTableWidgetItem;

// The GPS location table screen "GPS Location Table": the 100 x 3 grid MSFlexGrid1 of camera
// locations (ID, latitude, longitude), edited cell by cell through the overlay editor txtEdit,
// loaded from and saved to the table file named in Text1 (chosen with Drive1, Dir1 and File1).
// The grid shows the LocationTable given and edits it; the table transfers with the unit read
// and write that table, and the grid follows.
class Setup2 : public QDialog
{
    Q_OBJECT
public:
    static constexpr int rowCount = 100;
    static constexpr int columnCount = 3;
    static constexpr int cellCount = rowCount * columnCount;

    // Without seams the screen uses the real message boxes and help viewer.
    explicit Setup2(QWidget *parent = nullptr, MessageBoxes *messageBoxes = nullptr,
                    HelpViewer *helpViewer = nullptr);
    ~Setup2() override;

    // The table shown (the screen's own until one is given; it must outlive the screen).
    void setModel(LocationTable *table);
    LocationTable &table() const { return *m_table; }

    // IDs 0 to 99 and "255" in every coordinate cell.
    void setStartingValues();

    // A cell by its running index, row * 3 + column (0 to 299), as the grid shows it.
    QString cellText(int index) const;
    void setCellText(int index, const QString &text);
    // All 300 cells by running index.
    QStringList cells() const;

    QTableWidget *grid() const { return m_grid; }
    FileChoice &fileChoice() { return *m_fileChoice; }

    // Stores what the overlay editor holds, with its test and message, and hides it. Every
    // action of the screen does this first, as leaving the editor would.
    void commitEditor();

    void reject() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void openEditor(int row, int column);
    // Stores the edit and opens the editor step coordinate cells further on (or back).
    void moveEditor(int step);
    void loadTable();
    void saveTable();
    void showHelp();
    void returnToMainMenu();
    QTableWidgetItem *itemAt(int row, int column);
    void showCells(const QModelIndex &first, const QModelIndex &last);
    QPushButton *addButton(const char *name, const QString &caption);

    LocationTable m_ownTable;
    LocationTable *m_table = nullptr;
    std::unique_ptr<MessageBoxes> m_ownMessageBoxes;
    std::unique_ptr<HelpViewer> m_ownHelpViewer;
    MessageBoxes *m_messageBoxes;
    HelpViewer *m_helpViewer;

    QTableWidget *m_grid;
    QLineEdit *m_txtEdit;
    FileChoice *m_fileChoice;
    bool m_editorOpen = false;
    int m_editRow = 0;
    int m_editColumn = 0;
};
