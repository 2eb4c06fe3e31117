#include "graphs/real_time_history.h"

#include <QTest>

using graphs::GraphState;
using graphs::kGraphHistorySlots;

class TestRealTimeHistory : public QObject {
    Q_OBJECT
private slots:
    void lastSlotWrapsToZero() {
        GraphState s;
        s.GraphSampleCount = float(kGraphHistorySlots - 2);
        graphs::recordReading(s, 1.0f); // slot 863999
        graphs::recordReading(s, 2.0f); // slot 864000, the last
        QCOMPARE(s.GraphHistory[kGraphHistorySlots - 1], 2.0f);
        QCOMPARE(s.GraphSampleCount, 0.0f);
        graphs::recordReading(s, 3.0f);
        QCOMPARE(s.GraphHistory[0], 3.0f);
        QCOMPARE(s.GraphSampleCount, 1.0f);
    }

    void runningExtremes_data() {
        QTest::addColumn<float>("start");
        QTest::addColumn<QList<float>>("readings");
        QTest::addColumn<float>("max");
        QTest::addColumn<float>("min");
        QTest::newRow("rise") << 10.0f << QList<float>{12.0f, 11.0f} << 12.0f << 10.0f;
        QTest::newRow("fall") << 10.0f << QList<float>{8.0f, 9.0f} << 10.0f << 8.0f;
        QTest::newRow("both") << 10.0f << QList<float>{20.0f, 1.0f, 5.0f} << 20.0f << 1.0f;
        QTest::newRow("over-range counts")
            << 10.0f << QList<float>{1000000.0f} << 1000000.0f << 10.0f;
    }
    void runningExtremes() {
        QFETCH(float, start);
        QFETCH(QList<float>, readings);
        GraphState s;
        graphs::restartRunningExtremes(s, start);
        for (float v : readings)
            graphs::recordReading(s, v);
        QTEST(s.GraphRunMax, "max");
        QTEST(s.GraphRunMin, "min");
    }
};

QTEST_GUILESS_MAIN(TestRealTimeHistory)
#include "test_real_time_history.moc"
