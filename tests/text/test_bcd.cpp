#include "text/bcd.h"

#include <QTest>

class TestBcd : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void bcdText_data() {
        QTest::addColumn<int>("byte");
        QTest::addColumn<QString>("shown");
        QTest::newRow("zero") << 0x00 << "00";
        QTest::newRow("leading zero kept") << 0x05 << "05";
        QTest::newRow("59") << 0x59 << "59";
        QTest::newRow("99") << 0x99 << "99";
        // Clock and logger bytes the meter never set show as they are, in capitals.
        QTest::newRow("not BCD, low digit") << 0x1a << "1A";
        QTest::newRow("not BCD, both digits") << 0xff << "FF";
    }
    void bcdText() {
        QFETCH(int, byte);
        QFETCH(QString, shown);
        QCOMPARE(textrules::bcdText(quint8(byte)), shown);
    }

    void toBcd_data() {
        QTest::addColumn<int>("value");
        QTest::addColumn<int>("byte");
        QTest::newRow("zero") << 0 << 0x00;
        QTest::newRow("one digit") << 7 << 0x07;
        QTest::newRow("30") << 30 << 0x30;
        QTest::newRow("59") << 59 << 0x59;
        QTest::newRow("99") << 99 << 0x99;
    }
    void toBcd() {
        QFETCH(int, value);
        QFETCH(int, byte);
        QCOMPARE(int(textrules::toBcd(value)), byte);
        QCOMPARE(textrules::bcdText(textrules::toBcd(value)),
                 QString::number(value).rightJustified(2, u'0'));
    }
};

QTEST_GUILESS_MAIN(TestBcd)
#include "test_bcd.moc"
