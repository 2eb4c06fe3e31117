#include "text/leading_value.h"

#include <QTest>

#include <cmath>

class TestLeadingValue : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void readingValue_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");
        QTest::newRow("decimal") << "12.34" << 12.34;
        QTest::newRow("OL") << "OL" << 1000000.0;
        QTest::newRow("L anywhere") << "1L2" << 1000000.0;
        QTest::newRow("lower-case l") << "ol" << 0.0;
        QTest::newRow("empty") << "" << 0.0;
        QTest::newRow("not a number") << "abc" << 0.0;
        QTest::newRow("leading spaces, trailing junk") << "  7.5x" << 7.5;
        QTest::newRow("leading TAB is not skipped") << "\t5" << 0.0;
        QTest::newRow("negative") << "-3" << -3.0;
        QTest::newRow("sign alone") << "-" << 0.0;
        QTest::newRow("point alone") << "." << 0.0;
        QTest::newRow("sign and point") << "-." << 0.0;
        QTest::newRow("negative zero") << "-0" << 0.0;
        QTest::newRow("trailing point") << "1." << 1.0;
        QTest::newRow("leading point") << ".5" << 0.5;
        QTest::newRow("exponent ignored") << "12E45" << 12.0;
        QTest::newRow("huge exponent") << "1e999" << 1.0;
        QTest::newRow("nan") << "nan" << 0.0;
        QTest::newRow("inf") << "inf" << 0.0;
        QTest::newRow("leading zeros") << "0000000000000123" << 123.0;
        QTest::newRow("22 digits") << "9999999999999999999999" << 1e9;
        QTest::newRow("22 digits negative") << "-9999999999999999999999" << -1e9;
        QTest::newRow("10 digits above the range") << "1234567890" << 1e9;
        QTest::newRow("long fraction") << "3.14159265358979323846264338327" << 3.141592653589793;
        QTest::newRow("two points") << "1.2.3" << 1.2;
    }
    void readingValue() {
        QFETCH(QString, text);
        QFETCH(double, value);
        const double v = textrules::readingValue(text);
        QVERIFY(std::isfinite(v));
        QCOMPARE(v, value);
        QVERIFY(!std::signbit(v) || v < 0);
    }
    // Where no number leads, the figures leave the row out rather than count a 0.
    void leadingNumber_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("found");
        for (const char* none : {"", "abc", "-", ".", "-.", "\t5", "OL"})
            QTest::newRow(none) << none << false;
        for (const char* some : {"0", "-0", "1.", ".5", "7.5x"})
            QTest::newRow(some) << some << true;
    }
    void leadingNumber() {
        QFETCH(QString, text);
        QFETCH(bool, found);
        const std::optional<double> n = textrules::leadingNumber(text);
        QCOMPARE(n.has_value(), found);
        if (n)
            QCOMPARE(*n, textrules::leadingValue(text));
    }
};

QTEST_GUILESS_MAIN(TestLeadingValue)
#include "test_leading_value.moc"
