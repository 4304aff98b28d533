#include "setup2.h"

#include <QTableWidget>
#include <QVBoxLayout>

Setup2::Setup2(QWidget *parent) : QDialog(parent), m_grid(new QTableWidget(rowCount, columnCount, this))
{
    setObjectName(QStringLiteral("setup2"));
    setWindowTitle(QStringLiteral("GPS Location Table"));
    m_grid->setObjectName(QStringLiteral("MSFlexGrid1"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_grid);
    setStartingValues();
}

void Setup2::setStartingValues()
{
    for (int row = 0; row < rowCount; ++row) {
        setCellText(row * columnCount, QString::number(row));
        setCellText(row * columnCount + 1, QStringLiteral("255"));
        setCellText(row * columnCount + 2, QStringLiteral("255"));
    }
}

QString Setup2::cellText(int index) const
{
    const QTableWidgetItem *item = m_grid->item(index / columnCount, index % columnCount);
    return item ? item->text() : QString();
}

void Setup2::setCellText(int index, const QString &text)
{
    const int row = index / columnCount;
    const int column = index % columnCount;
    QTableWidgetItem *item = m_grid->item(row, column);
    if (!item) {
        item = new QTableWidgetItem;
        m_grid->setItem(row, column, item);
    }
    item->setText(text);
}
