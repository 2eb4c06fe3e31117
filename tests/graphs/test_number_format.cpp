#include "graphs/number_format.h"

#include <QLocale>
#include <QTest>

class TestNumberFormat : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        // A comma-decimal locale must not leak into the numbers shown.
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    }

    void formatNumber_data() {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("expected");
        QTest::newRow("readout 0.0 rounds down") << "0.0" << double(12.345f) << "12.3";
        QTest::newRow("readout 0.000 single") << "0.000" << double(12.345f) << "12.345";
        QTest::newRow("readout 0.000 pads") << "0.000" << 7.5 << "7.500";
        QTest::newRow("half away from zero") << "0.0" << 12.25 << "12.3";
        QTest::newRow("negative half away") << "0.0" << -12.25 << "-12.3";
        QTest::newRow("no negative zero") << "0.0" << -0.04 << "0.0";
        QTest::newRow("over-range reading") << "0.0" << 1000000.0 << "1000000.0";
        QTest::newRow("range edit trims") << "0.###" << 12.5 << "12.5";
        QTest::newRow("range edit whole") << "0.###" << 864001.0 << "864001";
        QTest::newRow("range edit rounds") << "0.###" << 0.12349 << "0.123";
        QTest::newRow("range edit small") << "0.###" << 0.0004 << "0";
        QTest::newRow("range edit negative") << "0.###" << -2.0625 << "-2.063";
        QTest::newRow("leading zeros") << "000" << 7.0 << "007";
        QTest::newRow("unreadable pattern") << "abc" << 2.5 << "2.5";
    }
    void formatNumber() {
        QFETCH(QString, pattern);
        QFETCH(double, value);
        QFETCH(QString, expected);
        QCOMPARE(graphs::formatNumber(value, pattern), expected);
    }

    void plainNumber_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("expected");
        QTest::newRow("fraction kept whole") << 523.4567 << "523.4567";
        QTest::newRow("reading number") << 864001.0 << "864001";
        QTest::newRow("no exponent") << 1000000.0 << "1000000";
        QTest::newRow("tiny no exponent") << 0.0000125 << "0.0000125";
        QTest::newRow("negative") << -0.5 << "-0.5";
    }
    void plainNumber() {
        QFETCH(double, value);
        QFETCH(QString, expected);
        QCOMPARE(graphs::plainNumber(value), expected);
    }

    void parseNumber_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<double>("value");
        QTest::newRow("point") << "12.5" << true << 12.5;
        QTest::newRow("sign and spaces") << " -3 " << true << -3.0;
        QTest::newRow("trailing point") << "4." << true << 4.0;
        QTest::newRow("comma refused") << "1,5" << false << 0.0;
        QTest::newRow("exponent refused") << "1e5" << false << 0.0;
        QTest::newRow("word refused") << "inf" << false << 0.0;
        QTest::newRow("empty refused") << "" << false << 0.0;
    }
    void parseNumber() {
        QFETCH(QString, text);
        QFETCH(bool, ok);
        QFETCH(double, value);
        double v = 0.0;
        QCOMPARE(graphs::parseNumber(text, &v), ok);
        if (ok)
            QCOMPARE(v, value);
    }
};

QTEST_GUILESS_MAIN(TestNumberFormat)
#include "test_number_format.moc"
