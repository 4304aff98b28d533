#include "location_table/setup2.h"
#include "recording_seams.h"
#include "support/test_support.h"

#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

namespace {
QByteArray fileContent(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

bool writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}
} // namespace

class TestSetup2 : public QObject
{
    Q_OBJECT

    RecordingBoxes m_boxes;
    RecordingHelp m_help;
    std::unique_ptr<Setup2> m_screen;
    QTemporaryDir m_dir;

    QTableWidget *grid()
    {
        return m_screen->findChild<QTableWidget *>(QStringLiteral("MSFlexGrid1"));
    }
    QLineEdit *txtEdit() { return m_screen->findChild<QLineEdit *>(QStringLiteral("txtEdit")); }
    QLineEdit *text1() { return m_screen->findChild<QLineEdit *>(QStringLiteral("Text1")); }
    QPushButton *button(const char *name)
    {
        return m_screen->findChild<QPushButton *>(QString::fromLatin1(name));
    }
    QString cell(int row, int column) { return m_screen->cellText(row * 3 + column); }

    void clickCell(int row, int column)
    {
        QTableWidget *table = grid();
        const QModelIndex index = table->model()->index(row, column);
        table->scrollTo(index);
        QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, table->visualRect(index).center());
    }
    // Opens the editor on a cell and types into it, leaving it open.
    void typeInto(int row, int column, const QString &text)
    {
        clickCell(row, column);
        QVERIFY(txtEdit()->isVisible());
        txtEdit()->selectAll();
        QTest::keyClick(txtEdit(), Qt::Key_Delete);
        QTest::keyClicks(txtEdit(), text);
    }

private slots:
    void init()
    {
        m_boxes.boxes.clear();
        m_help.opened.clear();
        m_screen = std::make_unique<Setup2>(nullptr, &m_boxes, &m_help);
        m_screen->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_screen.get()));
    }
    void cleanup()
    {
        m_screen.reset();
        QCOMPARE(m_boxes.boxes, QList<RecordedBox>{});
    }

    void showsTheStartingTable()
    {
        QCOMPARE(m_screen->windowTitle(), QStringLiteral("GPS Location Table"));
        QVERIFY(grid()->horizontalHeader()->isHidden());
        QCOMPARE(grid()->toolTip(), QStringLiteral("Click for Input"));
        QCOMPARE(cell(42, 0), QStringLiteral("42"));
        QCOMPARE(cell(99, 2), QStringLiteral("255"));
        QVERIFY(!(grid()->item(5, 0)->flags() & Qt::ItemIsSelectable));
        QVERIFY(grid()->rowHeight(0) >= txtEdit()->sizeHint().height());
        QCOMPARE(m_screen->findChild<QLabel *>(QStringLiteral("Label1"))->text(),
                 QStringLiteral("ID              Latitude    Longitude      "));
    }

    void editsACell_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("refused");
        QTest::newRow("four decimals") << "51.4367"
                                       << "51.4367" << false;
        QTest::newRow("five decimals") << "51.43675"
                                       << "255" << true;
        QTest::newRow("256") << "256"
                             << "255" << true;
        QTest::newRow("255.9") << "255.9"
                               << "255.9" << false;
        QTest::newRow("negative") << "-12.5"
                                  << "-12.5" << false;
        QTest::newRow("emptied") << ""
                                 << "255" << false;
        QTest::newRow("word") << "north"
                              << "north" << false;
    }
    void editsACell()
    {
        QFETCH(QString, typed);
        QFETCH(QString, stored);
        QFETCH(bool, refused);
        typeInto(3, 1, typed);
        // Leaving the editor for another control stores the edit.
        text1()->setFocus(Qt::TabFocusReason);
        QVERIFY(txtEdit()->isHidden());
        QCOMPARE(cell(3, 1), stored);
        QCOMPARE(m_boxes.take(),
                 refused ? QList<RecordedBox>{invalidNumberBox()} : QList<RecordedBox>{});
    }

    void opensTheEditorOverTheClickedCell()
    {
        clickCell(7, 2);
        QVERIFY(txtEdit()->isVisible());
        QCOMPARE(txtEdit()->text(), QStringLiteral("255"));
        const QRect cellRect = grid()->visualRect(grid()->model()->index(7, 2));
        const QPoint cellTopLeft = grid()->viewport()->mapTo(m_screen.get(), cellRect.topLeft());
        QCOMPARE(txtEdit()->geometry().topLeft(), cellTopLeft);
        QCOMPARE(txtEdit()->width(), cellRect.width());

        // The ID column opens nothing.
        clickCell(8, 0);
        QVERIFY(txtEdit()->isHidden());
        QCOMPARE(cell(8, 0), QStringLiteral("8"));
    }

    void clickingAnotherCellStoresTheEditFirst()
    {
        typeInto(0, 1, QStringLiteral("51.4521"));
        clickCell(0, 2);
        QCOMPARE(cell(0, 1), QStringLiteral("51.4521"));
        QVERIFY(txtEdit()->isVisible());
        QCOMPARE(txtEdit()->text(), QStringLiteral("255"));

        // A refused edit shows its message before the next cell opens.
        QTest::keyClicks(txtEdit(), QStringLiteral("9.12345"));
        clickCell(1, 1);
        QCOMPARE(m_boxes.take(), QList<RecordedBox>{invalidNumberBox()});
        QCOMPARE(cell(0, 2), QStringLiteral("255"));
        QVERIFY(txtEdit()->isVisible());
    }

    void clickingAButtonStoresTheEditFirst()
    {
        const QString path = m_dir.filePath(QStringLiteral("edited.txt"));
        text1()->setText(path);
        typeInto(4, 2, QStringLiteral("5.0709"));
        QTest::mouseClick(button("Command4"), Qt::LeftButton);
        QCOMPARE(m_boxes.take(), QList<RecordedBox>{savedBox()});
        QVERIFY(fileContent(path).contains("\r\n\"4\",\"255\",\"5.0709\"\r\n"));

        // The refused edit's message comes before the button's own.
        typeInto(4, 2, QStringLiteral("300"));
        QTest::mouseClick(button("Command4"), Qt::LeftButton);
        QCOMPARE(m_boxes.take(), (QList<RecordedBox>{invalidNumberBox(), savedBox()}));
        QVERIFY(fileContent(path).contains("\r\n\"4\",\"255\",\"255\"\r\n"));

        typeInto(5, 1, QStringLiteral("1.5"));
        QTest::mouseClick(button("Command3"), Qt::LeftButton);
        QCOMPARE(cell(5, 1), QStringLiteral("1.5"));
        QCOMPARE(m_help.opened, QStringList{QStringLiteral("info.txt")});

        typeInto(6, 1, QStringLiteral("2.5"));
        QTest::mouseClick(button("Command2"), Qt::LeftButton);
        QCOMPARE(cell(6, 1), QStringLiteral("2.5"));
        QVERIFY(m_screen->isHidden());
    }

    void enterAndEscapeNeitherStoreNorClose()
    {
        typeInto(2, 1, QStringLiteral("12.5"));
        QTest::keyClick(txtEdit(), Qt::Key_Return);
        QTest::keyClick(txtEdit(), Qt::Key_Escape);
        QVERIFY(m_screen->isVisible());
        QVERIFY(txtEdit()->isVisible());
        QCOMPARE(cell(2, 1), QStringLiteral("255"));
    }

    void savesTheStartingTableByteForByte()
    {
        const QString path = m_dir.filePath(QStringLiteral("startup.txt"));
        QVERIFY(writeFile(path, QByteArray(5000, 'x')));
        text1()->setText(path);
        QTest::mouseClick(button("Command4"), Qt::LeftButton);
        QCOMPARE(m_boxes.take(), QList<RecordedBox>{savedBox()});
        QCOMPARE(fileContent(path), fileContent(TestSupport::dataPath(
                                        QStringLiteral("location_table/startup_table.txt"))));
    }

    void roundTripsThroughTheFile()
    {
        const QString path = m_dir.filePath(QStringLiteral("round.txt"));
        text1()->setText(path);
        m_screen->setCellText(1, QStringLiteral("51.4521"));
        m_screen->setCellText(2, QStringLiteral("a, b"));
        m_screen->setCellText(299, QStringLiteral("-12.5"));
        const QStringList saved = m_screen->cells();
        QTest::mouseClick(button("Command4"), Qt::LeftButton);
        QCOMPARE(m_boxes.take(), QList<RecordedBox>{savedBox()});

        m_screen->setStartingValues();
        QTest::mouseClick(button("Command1"), Qt::LeftButton);
        QCOMPARE(m_screen->cells(), saved);
    }

    void loadsAndNeverTouchesTheIds()
    {
        text1()->setText(TestSupport::dataPath(QStringLiteral("location_table/sample_table.txt")));
        m_screen->setCellText(3 * 10, QStringLiteral("ten"));
        QTest::mouseClick(button("Command1"), Qt::LeftButton);
        QCOMPARE(cell(0, 0), QStringLiteral("0"));
        QCOMPARE(cell(0, 1), QStringLiteral("51.4521"));
        QCOMPARE(cell(0, 2), QStringLiteral("5.0709"));
        QCOMPARE(cell(1, 1), QStringLiteral("12.5"));
        QCOMPARE(cell(1, 2), QStringLiteral("-0.25"));
        QCOMPARE(cell(2, 1), QStringLiteral("word"));
        QCOMPARE(cell(2, 2), QString());
        QCOMPARE(cell(3, 1), QStringLiteral("1,5"));
        QCOMPARE(cell(3, 2), QStringLiteral("300"));
        QCOMPARE(cell(10, 0), QStringLiteral("ten"));
        QCOMPARE(cell(99, 0), QStringLiteral("99"));
        QCOMPARE(cell(99, 1), QStringLiteral("99.1234"));
    }

    void aShortFileLoadsItsRowsThenFails()
    {
        QByteArray content;
        for (int row = 0; row < 99; ++row)
            content += "\"" + QByteArray::number(row) + "\",\"1." + QByteArray::number(row) +
                       "\",\"2\"\r\n";
        const QString path = m_dir.filePath(QStringLiteral("short.txt"));
        QVERIFY(writeFile(path, content));
        m_screen->setCellText(3 * 99 + 1, QStringLiteral("7.5"));
        text1()->setText(path);
        QTest::mouseClick(button("Command1"), Qt::LeftButton);
        QCOMPARE(m_boxes.take(), QList<RecordedBox>{loadErrorBox()});
        QCOMPARE(cell(98, 1), QStringLiteral("1.98"));
        QCOMPARE(cell(98, 2), QStringLiteral("2"));
        QCOMPARE(cell(99, 1), QStringLiteral("7.5"));
        QCOMPARE(cell(99, 2), QStringLiteral("255"));
    }

    void reportsFileFailures()
    {
        QTest::mouseClick(button("Command1"), Qt::LeftButton);
        QCOMPARE(m_boxes.take(), QList<RecordedBox>{loadErrorBox()});
        QTest::mouseClick(button("Command4"), Qt::LeftButton);
        QCOMPARE(m_boxes.take(), QList<RecordedBox>{saveErrorBox()});

        const QString noDirectory = m_dir.filePath(QStringLiteral("nowhere/table.txt"));
        text1()->setText(noDirectory);
        QTest::mouseClick(button("Command4"), Qt::LeftButton);
        QCOMPARE(m_boxes.take(), QList<RecordedBox>{saveErrorBox()});
        QVERIFY(!QFile::exists(noDirectory));

        // A directory is neither a table to load nor a file to save into.
        text1()->setText(m_dir.path());
        QTest::mouseClick(button("Command1"), Qt::LeftButton);
        QTest::mouseClick(button("Command4"), Qt::LeftButton);
        QCOMPARE(m_boxes.take(), (QList<RecordedBox>{loadErrorBox(), saveErrorBox()}));
        QCOMPARE(cell(0, 1), QStringLiteral("255"));
    }
};

QTEST_MAIN(TestSetup2)
#include "test_setup2.moc"
