#include "text/time_stamp.h"

#include <QTest>

class TestTimeStamp : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void timeStamp_data();
    void timeStamp();
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

QTEST_GUILESS_MAIN(TestTimeStamp)
#include "test_time_stamp.moc"
