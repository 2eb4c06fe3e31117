#include "link/exchange_queue.h"

#include "link/waiter.h"

#include <QTest>
#include <QTimer>

using meterlink::ExchangeQueue;

class TestExchangeQueue : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void actionsDuringAWaitStartAfterTheExchangeInOrder();
    void anActionInADialogHoldsNeitherTheNextNorTheTicks();
    void waitingActionsAreDropped_data();
    void waitingActionsAreDropped();
};

void TestExchangeQueue::actionsDuringAWaitStartAfterTheExchangeInOrder() {
    meterlink::EventLoopWaiter waiter;
    ExchangeQueue queue(waiter);
    QStringList log;
    bool tickRan = true;
    auto note = [&](const QString& what) { return [&log, what] { log << what; }; };
    QTimer::singleShot(10, &queue, [&] {
        queue.request("Hold", nullptr, note("Hold"));
        queue.request("ESC", nullptr, note("ESC"));
        queue.request("Hold", nullptr, note("Hold again")); // already waiting: dropped
        tickRan = queue.tryRun(note("tick"));
    });
    {
        ExchangeQueue::Exchange exchange(queue);
        log << "exchange";
        QVERIFY(waiter.WaitSeconds(0.05));
        log << "exchange ends";
    }
    log << "returned";
    QVERIFY(!tickRan);
    QTRY_COMPARE(log, QStringList({"exchange", "exchange ends", "returned", "Hold", "ESC"}));
    QVERIFY(queue.tryRun(note("tick")));
    QCOMPARE(log.last(), QStringLiteral("tick"));
}

void TestExchangeQueue::anActionInADialogHoldsNeitherTheNextNorTheTicks() {
    meterlink::EventLoopWaiter waiter;
    ExchangeQueue queue(waiter);
    QStringList log;
    int ticks = 0;
    int ticksInDialog = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, &queue, [&] {
        queue.tryRun([&] {
            ++ticks;
            waiter.WaitSeconds(0.005);
        });
    });
    ticker.start(10);
    QTimer::singleShot(0, &queue, [&] {
        ExchangeQueue::Exchange exchange(queue);
        queue.request("TimeSet", nullptr, [&] {
            log << "dialog opens";
            const int before = ticks;
            // A modal box's own event loop, open until the ticker has run ten times.
            (void)QTest::qWaitFor([&] { return ticks - before >= 10; }, 10000);
            ticksInDialog = ticks - before;
            log << "dialog closes";
        });
        queue.request("ESC", nullptr, [&] { log << "ESC"; });
        waiter.WaitSeconds(0.02);
    });
    QTRY_COMPARE(log, QStringList({"dialog opens", "ESC", "dialog closes"}));
    QVERIFY2(ticksInDialog >= 10, qPrintable(QString::number(ticksInDialog)));
}

void TestExchangeQueue::waitingActionsAreDropped_data() {
    QTest::addColumn<bool>("shutdown");
    QTest::newRow("shutdown") << true;
    QTest::newRow("its window closed") << false;
}

void TestExchangeQueue::waitingActionsAreDropped() {
    QFETCH(bool, shutdown);
    meterlink::EventLoopWaiter waiter;
    ExchangeQueue queue(waiter);
    auto window = std::make_unique<QObject>();
    int ran = 0;
    {
        ExchangeQueue::Exchange exchange(queue);
        queue.request("Comp", window.get(), [&] { ++ran; });
        if (shutdown)
            waiter.requestShutdown();
        else
            window.reset();
    }
    QCoreApplication::processEvents(); // where a waiting action would start
    QCOMPARE(ran, 0);
    QCOMPARE(queue.waiting(), 0);
    queue.request("ESC", nullptr, [&] { ++ran; });
    QCOMPARE(ran, shutdown ? 0 : 1);
}

QTEST_GUILESS_MAIN(TestExchangeQueue)
#include "test_exchange_queue.moc"
