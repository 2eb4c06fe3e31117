#include "logger/logger_record.h"

#include <QLocale>
#include <QTest>

namespace {

// A set with the given six header bytes and records.
QByteArray set(const char* headerHex, const char* recordsHex = "04d208") {
    return QByteArray::fromHex("0055aa00") + QByteArray::fromHex(headerHex) +
           QByteArray::fromHex(recordsHex);
}

} // namespace

class TestLoggerRecord : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // A comma-decimal locale must not leak into the texts.
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany)); }

    void values_data() {
        QTest::addColumn<int>("value");
        QTest::addColumn<int>("range");
        QTest::addColumn<QString>("lux");
        QTest::addColumn<QString>("footCandles");
        QTest::newRow("bit 6") << 1234 << 0x40 << "123400"
                               << "11463.86";
        QTest::newRow("bit 6 wins over bit 1") << 1234 << 0x42 << "123400"
                                               << "11463.86";
        QTest::newRow("bit 5") << 1234 << 0x20 << "12340"
                               << "1146";
        QTest::newRow("bit 4") << 1234 << 0x10 << "1234"
                               << "114.6";
        QTest::newRow("bit 3") << 1234 << 0x08 << "123.4"
                               << "11.46";
        QTest::newRow("bit 3 with bits 7 and 0") << 1234 << 0x89 << "123.4"
                                                 << "11.46";
        QTest::newRow("bit 2") << 1234 << 0x04 << "12.34"
                               << "1.146";
        QTest::newRow("bit 1") << 1234 << 0x02 << "1.234"
                               << "0.1146";
        QTest::newRow("plain drops trailing zeros") << 100 << 0x40 << "10000"
                                                    << "929";
        QTest::newRow("fixed keeps trailing zeros") << 1000 << 0x08 << "100.0"
                                                    << "9.29";
        QTest::newRow("zero") << 0 << 0x02 << "0.000"
                              << "0.0000";
        QTest::newRow("half rounds up") << 500 << 0x08 << "50.0"
                                        << "4.65";
        QTest::newRow("largest") << 65535 << 0x40 << "6553500"
                                 << "608820.15";
        QTest::newRow("largest, bit 5") << 65535 << 0x20 << "655350"
                                        << "60882";
        QTest::newRow("no range bit") << 1234 << 0x00 << "OL"
                                      << "OL";
        QTest::newRow("bits 7 and 0 only") << 1234 << 0x81 << "OL"
                                           << "OL";
    }
    void values() {
        QFETCH(int, value);
        QFETCH(int, range);
        QFETCH(QString, lux);
        QFETCH(QString, footCandles);
        const logger::LoggerValue v =
            logger::DecodeLoggerValue(quint8(value >> 8), quint8(value), quint8(range));
        QCOMPARE(v.lux, lux);
        QCOMPARE(v.footCandles, footCandles);
    }

    void headers_data() {
        QTest::addColumn<QByteArray>("set");
        QTest::addColumn<QString>("start");
        QTest::addColumn<int>("interval");
        QTest::addColumn<int>("records");
        QTest::newRow("90 s") << set("312359050130") << "31-23:59:05" << 90 << 1;
        QTest::newRow("07 and 60 s")
            << set("071405000100", "000108000208") << "07-14:05:00" << 60 << 2;
        QTest::newRow("not BCD") << set("1a00000a1aa1") << "1A-00:00:0A" << 60 << 1;
    }
    void headers() {
        QFETCH(QByteArray, set);
        QFETCH(QString, start);
        QFETCH(int, interval);
        QFETCH(int, records);
        QCOMPARE(logger::setStartText(set), start);
        QCOMPARE(logger::setIntervalSeconds(set), interval);
        QCOMPARE(logger::setRecordCount(set), records);
    }

    void times_data() {
        QTest::addColumn<QByteArray>("set");
        QTest::addColumn<QDate>("today");
        QTest::addColumn<QStringList>("times");
        const QDate june(2025, 6, 18);
        QTest::newRow("midnight") << set("072359300030") << june
                                  << QStringList{"07-23:59:30", "08-00:00:00", "08-00:00:30"};
        QTest::newRow("end of June")
            << set("302359000100") << june << QStringList{"30-23:59:00", "01-00:00:00"};
        QTest::newRow("leap February") << set("292330003000") << QDate(2024, 2, 3)
                                       << QStringList{"29-23:30:00", "01-00:00:00"};
        QTest::newRow("31st, listed in April: March") << set("312359590001") << QDate(2025, 4, 2)
                                                      << QStringList{"31-23:59:59", "01-00:00:00"};
        QTest::newRow("30th, listed in February: January")
            << set("302359590001") << QDate(2025, 2, 14)
            << QStringList{"30-23:59:59", "31-00:00:00"};
        QTest::newRow("day 00 counts days")
            << set("002359300030") << june << QStringList{"00-23:59:30", "01-00:00:00"};
        QTest::newRow("hour 25 counts from 00:00:00")
            << set("072500000030") << june << QStringList{"00-00:00:00", "00-00:00:30"};
        QTest::newRow("zero interval")
            << set("071405000000") << june << QStringList{"07-14:05:00", "07-14:05:00"};
    }
    void times() {
        QFETCH(QByteArray, set);
        QFETCH(QDate, today);
        QFETCH(QStringList, times);
        const logger::RecordTimes clock(set, today);
        for (int i = 0; i < times.size(); ++i)
            QCOMPARE(clock.text(i), times[i]);
    }

    // The longest interval over the largest set: a day count of three digits.
    void dayCountBeyondTwoDigits() {
        const logger::RecordTimes clock(set("000000009999"), QDate(2025, 6, 18));
        QCOMPARE(clock.text(43174), QStringLiteral("3017-16:23:06"));
    }
};

QTEST_APPLESS_MAIN(TestLoggerRecord)
#include "test_logger_record.moc"
