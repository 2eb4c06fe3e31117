#include "text/time_stamp.h"

#include <QTest>

class TestTimeStamp : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void timeStamp_data();
    void timeStamp();
    void stamps_data();
    void stamps();
};

void TestTimeStamp::timeStamp_data() {
    QTest::addColumn<QDateTime>("when");
    QTest::addColumn<QString>("stamp");
    QTest::newRow("morning") << QDateTime(QDate(2026, 3, 7), QTime(14, 5, 9)) << "07-14:05:09";
    QTest::newRow("midnight") << QDateTime(QDate(2026, 12, 31), QTime(0, 0, 0)) << "31-00:00:00";
    QTest::newRow("last second") << QDateTime(QDate(2026, 1, 1), QTime(23, 59, 59))
                                 << "01-23:59:59";
}

void TestTimeStamp::timeStamp() {
    QFETCH(QDateTime, when);
    QFETCH(QString, stamp);
    QCOMPARE(textrules::sampleTimeStamp(when), stamp);
}

void TestTimeStamp::stamps_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("day");
    QTest::addColumn<int>("second");
    QTest::newRow("plain") << "07-14:05:09" << 7 << 50709;
    QTest::newRow("last second") << "31-23:59:59" << 31 << 86399;
    QTest::newRow("day 0") << "00-10:00:00" << -1 << 0;
    QTest::newRow("hour 24") << "07-24:00:00" << -1 << 0;
    QTest::newRow("short") << "7-14:05:09" << -1 << 0;
    QTest::newRow("separators") << "07 14:05:09" << -1 << 0;
    QTest::newRow("non-ASCII digit") << QString::fromUtf8("07-14:05:0\u0669") << -1 << 0;
}

void TestTimeStamp::stamps() {
    QFETCH(QString, text);
    QFETCH(int, day);
    QFETCH(int, second);
    const std::optional<textrules::Stamp> s = textrules::parseStamp(text);
    QCOMPARE(s.has_value(), day > 0);
    if (s) {
        QCOMPARE(s->day, day);
        QCOMPARE(s->secondOfDay, second);
    }
}

QTEST_GUILESS_MAIN(TestTimeStamp)
#include "test_time_stamp.moc"
