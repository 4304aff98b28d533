// Whatever the mix of direct and queued writes, the characters arrive complete and in order.
#include "link/port_map.h"
#include "link/qt_serial_port.h"

#include <QElapsedTimer>
#include <QtTest>

#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

class TestQtSerialPortWrite : public QObject
{
    Q_OBJECT
private slots:
    void deliversEverythingInOrder_data()
    {
        QTest::addColumn<QList<int>>("sizes");
        QTest::newRow("one character at a time") << QList<int>{1, 1, 1, 1};
        // Far more than a pseudo-terminal takes: the rest is queued and what follows waits.
        QTest::newRow("more than the device takes") << QList<int>{1, 100000, 1, 7};
        QTest::newRow("two large writes") << QList<int>{70000, 70000};
    }
    void deliversEverythingInOrder()
    {
        QFETCH(QList<int>, sizes);
        const int master = posix_openpt(O_RDWR | O_NOCTTY);
        QVERIFY(master >= 0);
        QVERIFY(grantpt(master) == 0 && unlockpt(master) == 0);
        termios settings{};
        QVERIFY(tcgetattr(master, &settings) == 0);
        cfmakeraw(&settings);
        QVERIFY(tcsetattr(master, TCSANOW, &settings) == 0);
        fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);

        PortMap map;
        QVERIFY(map.addMapping(QStringLiteral("COM1=") + QString::fromLocal8Bit(ptsname(master))));
        QtSerialPort port(map);
        QVERIFY2(port.open(1, QStringLiteral("9600,N,8,1")), qPrintable(port.errorString()));

        QByteArray sent;
        int chunk = 0;
        for (const int size : sizes) {
            QByteArray data(size, '\0');
            for (int i = 0; i < size; ++i)
                data[i] = static_cast<char>('A' + (chunk + i) % 26);
            ++chunk;
            port.write(data);
            sent += data;
        }

        QByteArray received;
        QElapsedTimer timer;
        timer.start();
        char buffer[4096];
        while (received.size() < sent.size() && timer.elapsed() < 10000) {
            const ssize_t n = read(master, buffer, sizeof buffer);
            if (n > 0)
                received.append(buffer, n);
            else
                QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        }
        port.close();
        close(master);
        QCOMPARE(received.size(), sent.size());
        QVERIFY(received == sent);
    }
};

QTEST_MAIN(TestQtSerialPortWrite)
#include "test_qt_serial_port_write.moc"
