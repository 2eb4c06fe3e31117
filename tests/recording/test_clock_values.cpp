#include "recording/clock_values.h"

#include <QTest>

using recording::PcIntervalAnswer;

class TestClockValues : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void pcAnswer_data();
    void pcAnswer();
    void meterAnswer_data();
    void meterAnswer();
};

void TestClockValues::pcAnswer_data() {
    QTest::addColumn<QString>("answer");
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("seconds");
    const int seconds = int(PcIntervalAnswer::Kind::Seconds);
    QTest::newRow("zero") << "0" << seconds << 1;
    QTest::newRow("negative") << "-7" << seconds << 1;
    QTest::newRow("half rounds down to zero, then 1") << "0.5" << seconds << 1;
    QTest::newRow("2.5 to even") << "2.5" << seconds << 2;
    QTest::newRow("3.5 to even") << "3.5" << seconds << 4;
    QTest::newRow("2.6") << "2.6" << seconds << 3;
    QTest::newRow("longest") << "86400" << seconds << 86400;
    QTest::newRow("100000") << "100000" << seconds << 86400;
    QTest::newRow("beyond int") << "1e30" << seconds << 86400;
    QTest::newRow("spaces around") << " 60 " << seconds << 60;
    QTest::newRow("empty") << "" << int(PcIntervalAnswer::Kind::Empty) << 0;
    QTest::newRow("letters") << "abc" << int(PcIntervalAnswer::Kind::NotANumber) << 0;
    QTest::newRow("comma") << "2,5" << int(PcIntervalAnswer::Kind::NotANumber) << 0;
    QTest::newRow("nan") << "nan" << int(PcIntervalAnswer::Kind::NotANumber) << 0;
}

void TestClockValues::pcAnswer() {
    QFETCH(QString, answer);
    QFETCH(int, kind);
    QFETCH(int, seconds);
    const PcIntervalAnswer a = recording::readPcIntervalAnswer(answer);
    QCOMPARE(int(a.kind), kind);
    QCOMPARE(a.seconds, seconds);
}

void TestClockValues::meterAnswer_data() {
    QTest::addColumn<QString>("answer");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("2:30") << "2:30" << true << QByteArray::fromHex("0230");
    QTest::newRow("3:00") << "3:00" << true << QByteArray::fromHex("0300");
    QTest::newRow("3:01") << "3:01" << true << QByteArray::fromHex("0300");
    QTest::newRow("5:00") << "5:00" << true << QByteArray::fromHex("0300");
    QTest::newRow("0:90") << "0:90" << true << QByteArray::fromHex("0030");
    QTest::newRow("1:75") << "1:75" << true << QByteArray::fromHex("0115");
    QTest::newRow("2:3") << "2:3" << true << QByteArray::fromHex("0203");
    QTest::newRow("00:05") << "00:05" << true << QByteArray::fromHex("0005");
    QTest::newRow("trailing text") << "1x:2y" << true << QByteArray::fromHex("0102");
    // 60 * 10^20 + 15: far beyond any integer type, still 15 seconds past a whole minute.
    QTest::newRow("long seconds") << "0:6000000000000000000015" << true
                                  << QByteArray::fromHex("0015");
    QTest::newRow("long minutes") << "99999999999999999999:00" << true
                                  << QByteArray::fromHex("0300");
    for (const char* bad : {"230", ":30", "2:", "2:3:0", "1:", "-1:30", "a:b", " 1:30"})
        QTest::newRow(bad) << bad << false << QByteArray();
}

void TestClockValues::meterAnswer() {
    QFETCH(QString, answer);
    QFETCH(bool, valid);
    QFETCH(QByteArray, bytes);
    const auto interval = recording::readMeterIntervalAnswer(answer);
    QCOMPARE(interval.has_value(), valid);
    if (valid)
        QCOMPARE(interval->bcdBytes().toHex(' '), bytes.toHex(' '));
}

QTEST_GUILESS_MAIN(TestClockValues)
#include "test_clock_values.moc"
