#include "text/leading_value.h"

#include <QTest>

#include <cmath>

using textrules::ReadingKind;

Q_DECLARE_METATYPE(textrules::ReadingKind)

class TestLeadingValue : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // The one rule for a reading's text, and the number a chart plots for it.
    void readingNumber_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<ReadingKind>("kind");
        QTest::addColumn<double>("value"); // the reading's, and the chart's for a reading
        QTest::addColumn<int>("decimals");
        const auto valid = ReadingKind::Valid;
        const auto over = ReadingKind::OverRange;
        const auto none = ReadingKind::NotAReading;
        QTest::newRow("12.34") << "12.34" << valid << 12.34 << 2;
        QTest::newRow("1E3: the exponent is not part of it") << "1E3" << valid << 1.0 << 0;
        QTest::newRow("-.5") << "-.5" << valid << -0.5 << 1;
        QTest::newRow("OL") << "OL" << over << 1000000.0 << 0;
        QTest::newRow("L anywhere") << "1L2" << over << 1000000.0 << 0;
        QTest::newRow("lower-case l") << "ol" << none << 0.0 << 0;
        QTest::newRow("empty") << "" << none << 0.0 << 0;
        QTest::newRow("leading spaces, trailing junk") << "  7.50x" << valid << 7.5 << 2;
        QTest::newRow("leading TAB is not skipped") << "\t5" << none << 0.0 << 0;
        QTest::newRow("sign and point alone") << "-." << none << 0.0 << 0;
        QTest::newRow("negative zero") << "-0" << valid << 0.0 << 0;
        QTest::newRow("trailing point") << "1." << valid << 1.0 << 0;
        QTest::newRow("nan") << "nan" << none << 0.0 << 0;
        QTest::newRow("leading zeros") << "0000000000000123" << valid << 123.0 << 0;
        QTest::newRow("six digits") << "999999" << valid << 999999.0 << 0;
        QTest::newRow("more than six digits show") << "1000000" << none << 0.0 << 0;
        QTest::newRow("ten million digits") << QString(10000000, u'9') << none << 0.0 << 0;
        QTest::newRow("long fraction")
            << "3.14159265358979323846" << valid << 3.141592653589793 << 20;
        QTest::newRow("two points") << "1.2.3" << valid << 1.2 << 1;
    }
    void readingNumber() {
        QFETCH(QString, text);
        QFETCH(ReadingKind, kind);
        QFETCH(double, value);
        QFETCH(int, decimals);
        const textrules::ReadingNumber n = textrules::readingNumber(text);
        QCOMPARE(n.kind, kind);
        if (kind == ReadingKind::Valid) {
            QCOMPARE(n.value, value);
            QCOMPARE(n.decimals, decimals);
            QVERIFY(!std::signbit(n.value) || n.value < 0);
        }
        QCOMPARE(textrules::readingValue(text), value);
        // Read from a file's Latin-1 bytes alike.
        const QByteArray latin1 = text.toLatin1();
        QCOMPARE(textrules::readingNumber(QLatin1StringView(latin1)).kind, kind);
    }
    // Typed entries: the leading number, held to the range, or nothing where none leads.
    void leadingNumber_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value"); // -1: none
        QTest::newRow("plain") << "12.5" << 12.5;
        QTest::newRow("none") << "abc" << -1.0;
        QTest::newRow("point alone") << "." << -1.0;
        QTest::newRow("huge exponent") << "1e999" << 1.0;
        QTest::newRow("22 digits") << "9999999999999999999999" << 1e9;
        QTest::newRow("22 digits negative") << "-9999999999999999999999" << -1e9;
        QTest::newRow("10 digits above the range") << "1234567890" << 1e9;
    }
    void leadingNumber() {
        QFETCH(QString, text);
        QFETCH(double, value);
        QCOMPARE(textrules::leadingNumber(text).value_or(-1.0), value);
        QCOMPARE(textrules::leadingValue(text), value == -1.0 ? 0.0 : value);
    }
};

QTEST_GUILESS_MAIN(TestLeadingValue)
#include "test_leading_value.moc"
