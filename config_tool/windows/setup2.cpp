#include "setup2.h"

#include "common/help_viewer.h"
#include "common/widgets/help_window.h"
#include "location_table/cell_editor_rule.h"
#include "windows/file_choice.h"
#include "windows/message_boxes.h"

#include <QComboBox>
#include <QFocusEvent>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QVBoxLayout>

Setup2::Setup2(QWidget *parent, MessageBoxes *messageBoxes, HelpViewer *helpViewer)
    : QDialog(parent), m_messageBoxes(messageBoxes), m_helpViewer(helpViewer),
      m_grid(new QTableWidget(rowCount, columnCount, this)), m_txtEdit(new QLineEdit(this)),
      m_fileChoice(new FileChoice(this))
{
    if (!m_messageBoxes) {
        m_ownMessageBoxes = std::make_unique<WidgetMessageBoxes>(this);
        m_messageBoxes = m_ownMessageBoxes.get();
    }
    if (!m_helpViewer) {
        m_ownHelpViewer = std::make_unique<SystemHelpViewer>(HelpWindow::showText);
        m_helpViewer = m_ownHelpViewer.get();
    }
    setObjectName(QStringLiteral("setup2"));
    setWindowTitle(QStringLiteral("GPS Location Table"));

    auto *columnTitles =
        new QLabel(QStringLiteral("ID              Latitude    Longitude      "), this);
    columnTitles->setObjectName(QStringLiteral("Label1"));

    // The grid opens the overlay editor on a click; it takes no edits of its own. Neither the
    // grid nor the buttons take the focus on a click, so a click leaves the editor to be closed
    // by the click's own handler, after which that handler acts (the edit is stored first).
    m_grid->setObjectName(QStringLiteral("MSFlexGrid1"));
    m_grid->setToolTip(QStringLiteral("Click for Input"));
    m_grid->setAccessibleName(QStringLiteral("GPS location table"));
    m_grid->setAccessibleDescription(m_grid->toolTip());
    m_grid->horizontalHeader()->hide();
    m_grid->verticalHeader()->hide();
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grid->setFocusPolicy(Qt::TabFocus);
    // The column titles are one text; written in a fixed-width font, each column is as wide as
    // its title with the blanks after it, so "Latitude" and "Longitude" stand over the start of
    // their columns at any font size or screen scale.
    const QString titles = columnTitles->text();
    columnTitles->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    columnTitles->setIndent(m_grid->frameWidth());
    const QFontMetrics titleMetrics(columnTitles->font());
    const qsizetype titleStarts[] = {0, titles.indexOf(u"Latitude"), titles.indexOf(u"Longitude"),
                                     titles.size()};
    int gridWidth = m_grid->verticalScrollBar()->sizeHint().width() + 2 * m_grid->frameWidth();
    for (int column = 0; column < columnCount; ++column) {
        const int width = titleMetrics.horizontalAdvance(
            titles.mid(titleStarts[column], titleStarts[column + 1] - titleStarts[column]));
        m_grid->setColumnWidth(column, width);
        gridWidth += width;
    }
    m_grid->setFixedWidth(gridWidth);
    // Every row is as high as the editor, so the editor covers a whole cell.
    const int rowHeight = m_txtEdit->sizeHint().height();
    m_grid->verticalHeader()->setMinimumSectionSize(rowHeight);
    m_grid->verticalHeader()->setDefaultSectionSize(rowHeight);
    connect(m_grid, &QTableWidget::cellClicked, this, &Setup2::openEditor);

    m_txtEdit->setObjectName(QStringLiteral("txtEdit"));
    m_txtEdit->setAccessibleName(QStringLiteral("Cell value"));
    m_txtEdit->hide();
    m_txtEdit->installEventFilter(this);

    auto *load = addButton("Command1", QStringLiteral("Load GPS Table"));
    auto *save = addButton("Command4", QStringLiteral("Save GPS Table"));
    auto *help = addButton("Command3", QStringLiteral("HELP"));
    auto *returnButton = addButton("Command2", QStringLiteral("RETURN MAIN MENU"));
    connect(load, &QPushButton::clicked, this, &Setup2::loadTable);
    connect(save, &QPushButton::clicked, this, &Setup2::saveTable);
    connect(help, &QPushButton::clicked, this, &Setup2::showHelp);
    connect(returnButton, &QPushButton::clicked, this, &Setup2::returnToMainMenu);

    auto *fileCaption = new QLabel(QStringLiteral("File Selected :"), this);
    fileCaption->setObjectName(QStringLiteral("Label2"));
    fileCaption->setBuddy(m_fileChoice->pathText());

    // Left the table under its column titles; right the file choice above the file buttons,
    // RETURN MAIN MENU at the foot; along the bottom the chosen file.
    auto *table = new QVBoxLayout;
    table->setSpacing(2);
    table->addWidget(columnTitles);
    table->addWidget(m_grid, 1);

    auto *side = new QVBoxLayout;
    side->addWidget(m_fileChoice->driveList());
    side->addWidget(m_fileChoice->directoryList(), 1);
    side->addWidget(m_fileChoice->fileList(), 1);
    side->addSpacing(8);
    side->addWidget(load);
    side->addWidget(save);
    side->addWidget(help);
    side->addSpacing(16);
    side->addWidget(returnButton);

    auto *columns = new QHBoxLayout;
    columns->addLayout(table);
    columns->addSpacing(12);
    columns->addLayout(side, 1);

    auto *bottom = new QHBoxLayout;
    bottom->addWidget(fileCaption);
    bottom->addWidget(m_fileChoice->pathText(), 1);

    auto *screen = new QVBoxLayout(this);
    screen->addLayout(columns, 1);
    screen->addLayout(bottom);
    resize(640, 560);

    setModel(&m_ownTable);
}

void Setup2::setModel(LocationTable *table)
{
    if (m_table)
        disconnect(m_table, nullptr, this, nullptr);
    m_table = table;
    connect(m_table, &LocationTable::dataChanged, this, &Setup2::showCells);
    showCells(m_table->index(0, 0), m_table->index(rowCount - 1, columnCount - 1));
}

void Setup2::showCells(const QModelIndex &first, const QModelIndex &last)
{
    for (int row = first.row(); row <= last.row(); ++row) {
        for (int column = first.column(); column <= last.column(); ++column)
            itemAt(row, column)->setText(m_table->cellText(row * columnCount + column));
    }
}

Setup2::~Setup2() = default;

QPushButton *Setup2::addButton(const char *name, const QString &caption)
{
    auto *button = new QPushButton(caption, this);
    button->setObjectName(QString::fromLatin1(name));
    button->setFocusPolicy(Qt::TabFocus);
    // Enter in the editor must not press a button.
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}

void Setup2::setStartingValues()
{
    const LocationTable fresh;
    for (int index = 0; index < cellCount; ++index)
        setCellText(index, fresh.cellText(index));
}

QTableWidgetItem *Setup2::itemAt(int row, int column)
{
    QTableWidgetItem *item = m_grid->item(row, column);
    if (!item) {
        item = new QTableWidgetItem;
        if (column == 0) {
            // The fixed ID column: grey, neither selectable nor editable.
            item->setFlags(Qt::ItemIsEnabled);
            item->setBackground(palette().brush(QPalette::Button));
        } else {
            item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        }
        m_grid->setItem(row, column, item);
    }
    return item;
}

QString Setup2::cellText(int index) const
{
    if (index < 0 || index >= cellCount)
        return QString();
    const QTableWidgetItem *item = m_grid->item(index / columnCount, index % columnCount);
    return item ? item->text() : QString();
}

void Setup2::setCellText(int index, const QString &text)
{
    m_table->setCellText(index, text);
}

QStringList Setup2::cells() const
{
    QStringList result;
    result.reserve(cellCount);
    for (int index = 0; index < cellCount; ++index)
        result.append(cellText(index));
    return result;
}

void Setup2::openEditor(int row, int column)
{
    // A click elsewhere in the grid first stores the edit in progress.
    commitEditor();
    if (row < 0 || column < 1)
        return;
    m_editRow = row;
    m_editColumn = column;
    const QRect cell = m_grid->visualRect(m_grid->model()->index(row, column));
    const QPoint topLeft = m_grid->viewport()->mapTo(this, cell.topLeft());
    m_txtEdit->setGeometry(topLeft.x(), topLeft.y(), cell.width(), cell.height());
    m_txtEdit->setText(cellText(row * columnCount + column));
    // Typing replaces the cell ("255" of an empty entry) rather than adding to it.
    m_txtEdit->selectAll();
    m_editorOpen = true;
    m_txtEdit->show();
    m_txtEdit->raise();
    m_txtEdit->setFocus(Qt::OtherFocusReason);
}

void Setup2::commitEditor()
{
    if (!m_editorOpen)
        return;
    // Closed before anything else: the message box and the hiding take the focus away again.
    m_editorOpen = false;
    const CellEditorRule::Outcome outcome = CellEditorRule::apply(m_txtEdit->text());
    if (!outcome.accepted)
        m_messageBoxes->show(QStringLiteral("Invalid number"), QStringLiteral("Error"),
                             MessageIcon::Critical);
    m_txtEdit->setText(outcome.stored);
    setCellText(m_editRow * columnCount + m_editColumn, outcome.stored);
    m_txtEdit->hide();
}

void Setup2::moveEditor(int step)
{
    // Coordinate cells in reading order: latitude, longitude, then the next row.
    const int next = m_editRow * 2 + (m_editColumn - 1) + step;
    commitEditor();
    if (next < 0 || next >= rowCount * 2)
        return;
    const int row = next / 2;
    const int column = next % 2 + 1;
    m_grid->setCurrentCell(row, column);
    m_grid->scrollTo(m_grid->model()->index(row, column));
    openEditor(row, column);
}

bool Setup2::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_txtEdit && event->type() == QEvent::KeyPress) {
        // Tab and Enter store the edit and go on to the next cell, Shift+Tab to the one before.
        switch (static_cast<QKeyEvent *>(event)->key()) {
        case Qt::Key_Tab:
        case Qt::Key_Return:
        case Qt::Key_Enter:
            moveEditor(1);
            return true;
        case Qt::Key_Backtab:
            moveEditor(-1);
            return true;
        default:
            break;
        }
    }
    if (watched == m_txtEdit && event->type() == QEvent::FocusOut) {
        // Switching to another window or opening a menu is not leaving the editor.
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
            commitEditor();
    }
    return QDialog::eventFilter(watched, event);
}

void Setup2::keyPressEvent(QKeyEvent *event)
{
    // Escape neither cancels the edit nor closes the screen; only RETURN MAIN MENU does.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void Setup2::reject()
{
    // Closing the window keeps the table, like RETURN MAIN MENU.
    commitEditor();
    QDialog::reject();
}

void Setup2::loadTable()
{
    commitEditor();
    if (const FileOutcome outcome = m_table->load(m_fileChoice->pathText()->text());
        outcome.message)
        m_messageBoxes->show(*outcome.message);
}

void Setup2::saveTable()
{
    commitEditor();
    const FileOutcome outcome = m_table->save(m_fileChoice->pathText()->text());
    m_fileChoice->refresh();
    if (outcome.message)
        m_messageBoxes->show(*outcome.message);
}

void Setup2::showHelp()
{
    commitEditor();
    m_helpViewer->open(QStringLiteral("info.txt"));
}

void Setup2::returnToMainMenu()
{
    commitEditor();
    hide();
}
