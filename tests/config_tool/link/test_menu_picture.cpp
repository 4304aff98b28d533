// The main menu's picture comes from the program's resources: a static library drops resources
// that nobody registers, and the menu would show an empty box.
#include "support/main_window_bench.h"

#include <QLabel>
#include <QtTest>

class TestMenuPicture : public QObject
{
    Q_OBJECT
private slots:
    void picture1ShowsTheIllustration()
    {
        MainWindowBench bench;
        const QLabel *picture = bench.control<QLabel>("Picture1");
        QVERIFY(picture);
        const QPixmap pixmap = picture->pixmap();
        QVERIFY(!pixmap.isNull());
        QCOMPARE(pixmap.size(), QSize(600, 204));
        // Not a blank fill: the sky at the top and the road at the bottom differ.
        const QImage image = pixmap.toImage();
        QVERIFY(image.pixelColor(300, 2) != image.pixelColor(300, 200));
    }
};

QTEST_MAIN(TestMenuPicture)
#include "test_menu_picture.moc"
