#include "realtime_receiver/receiver_text.h"

#include <QtTest>

using namespace ReceiverText;

class TestReceiverText : public QObject
{
    Q_OBJECT
private slots:
    void acknowledges_data()
    {
        QTest::addColumn<QByteArray>("message");
        QTest::addColumn<QString>("command");
        QTest::addColumn<QByteArray>("datagram");
        QTest::newRow("eight letters")
            << QByteArray("ABCDEFGH") << QString() << QByteArray("ABCDEF,1\r");
        QTest::newRow("with command")
            << QByteArray("ABCDEFGH") << QStringLiteral("RESET") << QByteArray("ABCDEF,1RESET\r");
        QTest::newRow("short") << QByteArray("XYZ") << QString() << QByteArray("XYZ,1\r");
        QTest::newRow("empty") << QByteArray() << QString() << QByteArray(",1\r");
        QTest::newRow("command kept as typed")
            << QByteArray("987654xx") << QStringLiteral(" a,b ") << QByteArray("987654,1 a,b \r");
        QTest::newRow("high bytes") << QByteArray("\xE9\x01\xFF"
                                                  "DEFG")
                                    << QString()
                                    << QByteArray("\xE9\x01\xFF"
                                                  "DEF,1\r");
    }
    void acknowledges()
    {
        QFETCH(QByteArray, message);
        QFETCH(QString, command);
        QFETCH(QByteArray, datagram);
        const QString identifier = identifierOf(messageText(message));
        QCOMPARE(acknowledgementDatagram(identifier, command), datagram);
        QCOMPARE(acknowledgementText(identifier, command).toLatin1() + '\r', datagram);
    }

    void splitsLongLines_data()
    {
        QTest::addColumn<int>("length");
        QTest::addColumn<QList<int>>("lineLengths");
        QTest::newRow("empty") << 0 << QList<int>{0};
        QTest::newRow("100") << 100 << QList<int>{100};
        QTest::newRow("101") << 101 << QList<int>{100, 1};
        QTest::newRow("130") << 130 << QList<int>{100, 30};
        QTest::newRow("350 stays two lines") << 350 << QList<int>{100, 250};
    }
    void splitsLongLines()
    {
        QFETCH(int, length);
        QFETCH(QList<int>, lineLengths);
        QString text;
        for (int i = 0; i < length; ++i)
            text += QChar(u'a' + i % 26);
        const QStringList lines = logLines(text);
        QCOMPARE(lines.size(), lineLengths.size());
        for (int i = 0; i < lines.size(); ++i)
            QCOMPARE(lines[i].size(), lineLengths[i]);
        QCOMPARE(lines.join(QString()), text);
    }

    void readsPorts_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("port"); // -1: refused
        QTest::newRow("default") << QStringLiteral("6081") << 6081;
        QTest::newRow("blanks around") << QStringLiteral(" 6081 ") << 6081;
        QTest::newRow("highest") << QStringLiteral("65535") << 65535;
        QTest::newRow("zero") << QStringLiteral("0") << -1;
        QTest::newRow("too high") << QStringLiteral("65536") << -1;
        QTest::newRow("negative") << QStringLiteral("-1") << -1;
        QTest::newRow("letters") << QStringLiteral("60a1") << -1;
        QTest::newRow("fraction") << QStringLiteral("6081.5") << -1;
        QTest::newRow("blank") << QStringLiteral("  ") << -1;
    }
    void readsPorts()
    {
        QFETCH(QString, text);
        QFETCH(int, port);
        const std::optional<quint16> read = portNumber(text);
        QCOMPARE(read ? int(*read) : -1, port);
    }
};

QTEST_APPLESS_MAIN(TestReceiverText)
#include "test_receiver_text.moc"
