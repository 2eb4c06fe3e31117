#include "link/waiter.h"

#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

class TestWaiter : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void waitKeepsEventsFlowing_data();
    void waitKeepsEventsFlowing();
    void shutdownBreaksAWaitAndAllLaterOnes();
};

void TestWaiter::waitKeepsEventsFlowing_data() {
    QTest::addColumn<double>("seconds");
    QTest::newRow("20 ms") << 0.02;
    QTest::newRow("200 ms") << 0.2;
}

void TestWaiter::waitKeepsEventsFlowing() {
    QFETCH(double, seconds);
    meterlink::EventLoopWaiter waiter;
    int handled = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, &ticker, [&] { ++handled; });
    ticker.start(5);
    const double start = waiter.now();
    QVERIFY(waiter.WaitSeconds(seconds));
    const double took = waiter.now() - start;
    QVERIFY2(took >= seconds - 0.002, qPrintable(QString::number(took)));
    QVERIFY2(took < seconds + 0.15, qPrintable(QString::number(took)));
    QVERIFY(handled >= 1); // other handlers ran during the wait
}

void TestWaiter::shutdownBreaksAWaitAndAllLaterOnes() {
    meterlink::EventLoopWaiter waiter;
    QTimer::singleShot(50, &waiter, [&] { waiter.requestShutdown(); });
    QElapsedTimer elapsed;
    elapsed.start();
    QVERIFY(!waiter.WaitSeconds(10.0));
    QVERIFY(elapsed.elapsed() < 1000);
    QVERIFY(waiter.shuttingDown());
    elapsed.restart();
    QVERIFY(!waiter.WaitSeconds(10.0));
    QVERIFY(elapsed.elapsed() < 50);
}

QTEST_GUILESS_MAIN(TestWaiter)
#include "test_waiter.moc"
