#include "graph_test_util.h"
#include "graphs/graph.h"
#include "graphs/graph_window.h"
#include "graphs/graphs.h"
#include "graphs/num_edit.h"
#include "graphs/real_time_all.h"
#include "graphs/statistics_panel.h"
#include "link/display_model.h"
#include "link/exchange_queue.h"
#include "link/waiter.h"
#include "shared/session.h"

#include <QAction>
#include <QFileInfo>
#include <QLabel>
#include <QPointer>
#include <QTest>
#include <QTimer>

#include <memory>

using graphs::RealTimeAll;

namespace {

void setFlag(meterlink::MeterStatus& status, const QString& name) {
    for (const meterlink::StatusBit& bit : meterlink::kStatusBits)
        if (name == QLatin1String(bit.name))
            status.*bit.flag = true;
}

} // namespace

class TestRealTimeAll : public QObject {
    Q_OBJECT

    std::unique_ptr<shared::Session> session;
    std::unique_ptr<graphtest::PdfPrompts> prompts;
    meterlink::EventLoopWaiter waiter;
    meterlink::ExchangeQueue exchanges{waiter};
    std::unique_ptr<graphs::Graphs> graphs;
    std::unique_ptr<QWidget> mainWindow;

    // The toolbar's "Graph": its opening values, then the window.
    RealTimeAll* openChart(const QString& unit = QStringLiteral("Lx"), float value = 10.0f) {
        session->display.UnitText = unit;
        session->display.MainValue = value;
        graphs::GraphState& g = session->graph;
        g.GraphNeedsInit = true;
        g.GraphOpen = true;
        g.GraphSampleCount = 0;
        g.GraphUnit = unit;
        g.SnapshotMax = g.SnapshotMin = value;
        graphs->showRealTimeAll(mainWindow.get());
        return graphs->realTimeAll();
    }

    void tickWith(RealTimeAll* chart, std::initializer_list<float> values) {
        for (float v : values) {
            session->display.MainValue = v;
            chart->tick();
        }
    }

    graphs::GraphWindow& snapshotWindow() { return graphs->realTimeGraphWindow(); }

    void clickChart(RealTimeAll* chart) {
        graphs::Graph* g = chart->Graph1();
        graphtest::click(g, QPoint(g->width() / 2, g->height() / 2));
    }

private slots:
    void init() {
        session = std::make_unique<shared::Session>();
        prompts = std::make_unique<graphtest::PdfPrompts>();
        graphs = std::make_unique<graphs::Graphs>(*session, *prompts, exchanges);
        mainWindow = std::make_unique<QWidget>();
        mainWindow->setGeometry(20, 60, 280, 300);
        mainWindow->show();
    }
    void cleanup() {
        graphs.reset();
        mainWindow.reset();
        prompts.reset();
        session.reset();
    }

    void opensBesideTheMainWindow() {
        RealTimeAll* chart = openChart();
        QVERIFY(QTest::qWaitForWindowExposed(chart));
        QCOMPARE(chart->windowTitle(), QStringLiteral("Real Time Graph"));
        const QRect main = mainWindow->frameGeometry();
        QTRY_COMPARE(chart->pos(), QPoint(main.x() + main.width(), 0));
        QCOMPARE(chart->Graph1()->axisCaption(1), QStringLiteral("Lux"));
        QVERIFY(!chart->Graph1()->cursorVisible(1));
    }

    void timerTicksAfterOneSecondThenEveryHalfSecond() {
        QTimer* timer = openChart()->Timer1();
        QVERIFY(timer->isActive());
        QCOMPARE(timer->interval(), 1000);
        for (float count : {1.0f, 2.0f}) {
            QVERIFY(QMetaObject::invokeMethod(timer, "timeout"));
            QCOMPARE(session->graph.GraphSampleCount, count);
            QVERIFY(timer->isActive());
            QCOMPARE(timer->interval(), 500);
        }
    }

    void firstTickSetsUpAndCharts() {
        RealTimeAll* chart = openChart(QStringLiteral("Fc"), 12.5f);
        chart->tick();
        const graphs::GraphState& g = session->graph;
        QVERIFY(!g.GraphNeedsInit);
        QCOMPARE(chart->Graph1()->axisCaption(1), QStringLiteral("Fc"));
        // The snapshot window is loaded but not shown.
        QCOMPARE(snapshotWindow().AxisMax(2)->displayFormat(), QStringLiteral("0.###"));
        QVERIFY(!snapshotWindow().isVisible());
        QCOMPARE(g.GraphSampleCount, 1.0f);
        QCOMPARE(g.GraphHistory[0], 12.5f);
        QCOMPARE(chart->Graph1()->plotPointCount(), 1);
        QCOMPARE(chart->Graph1()->plotPoint(0).y(), 12.5);
    }

    void closingRules_data() {
        QTest::addColumn<QString>("unit");
        QTest::addColumn<QString>("flag");
        QTest::addColumn<bool>("closes");
        QTest::newRow("unit change") << "Fc"
                                     << "" << true;
        QTest::newRow("unit gone") << ""
                                   << "" << true;
        for (const char* flag :
             {"RelOn", "RefOn", "UpperPercentOn", "CdOn", "FcHourOn", "LxHourOn", "SetUpOn"})
            QTest::newRow(flag) << "Lx" << flag << true;
        QTest::newRow("comparator") << "Lx"
                                    << "CompOn" << false;
        QTest::newRow("hold") << "Lx"
                              << "HoldOn" << false;
    }
    void closingRules() {
        QFETCH(QString, unit);
        QFETCH(QString, flag);
        QFETCH(bool, closes);
        QPointer<RealTimeAll> chart = openChart(QStringLiteral("Lx"), 10.0f);
        tickWith(chart, {10.0f});
        session->display.UnitText = unit;
        setFlag(session->display.status, flag);
        tickWith(chart, {77.0f});
        QCOMPARE(session->graph.GraphOpen, !closes);
        QCOMPARE(session->graph.GraphSampleCount, closes ? 1.0f : 2.0f);
        if (closes) {
            QVERIFY(!chart->Timer1()->isActive());
            QTRY_VERIFY(chart.isNull()); // the closed window goes away
        } else {
            QVERIFY(chart->isVisible());
        }
    }

    void graphAfterACloseOpensAFreshChart() {
        QPointer<RealTimeAll> closed = openChart();
        tickWith(closed, {1.0f});
        closed->close();
        QVERIFY(!session->graph.GraphOpen);
        // "Graph" again while the closed chart still waits for its deferred delete.
        QVERIFY(closed);
        QPointer<RealTimeAll> chart = openChart();
        QVERIFY(chart != closed);
        QVERIFY(chart->isVisible());
        QVERIFY(chart->Timer1()->isActive());
        QTRY_VERIFY(closed.isNull());
        QVERIFY(session->graph.GraphOpen);
        chart->close();
        QVERIFY(!session->graph.GraphOpen);
    }

    void chartScrollsAtItsLength() {
        RealTimeAll* chart = openChart();
        for (int i = 1; i <= 300; ++i)
            tickWith(chart, {float(i)});
        graphs::Graph* g = chart->Graph1();
        QCOMPARE(g->plotPointCount(), RealTimeAll::kChartPoints);
        QCOMPARE(g->plotPoint(RealTimeAll::kChartPoints - 1), QPointF(300, 300));
        QCOMPARE(g->axisMax(1), 300.0);
        QCOMPARE(g->axisMin(1), 300.0 - RealTimeAll::kChartPoints + 1);
        QCOMPARE(session->graph.GraphSampleCount, 300.0f);
    }

    void clickShowsTheSnapshot() {
        RealTimeAll* chart = openChart(QStringLiteral("Lx"), 10.0f);
        QVERIFY(QTest::qWaitForWindowExposed(chart));
        tickWith(chart, {10.0f, 14.0f, 8.0f});
        clickChart(chart);
        graphs::GraphWindow& w = snapshotWindow();
        QVERIFY(w.isVisible());
        QCOMPARE(w.windowTitle(), QStringLiteral("Real Time Graph"));
        QCOMPARE(w.Graph1()->plotPointCount(), 3);
        QCOMPARE(w.Graph1()->plotPoint(2), QPointF(3, 8));
        QCOMPARE(w.AxisMin(1)->value(), 1.0);
        QCOMPARE(w.AxisMax(1)->value(), 3.0);
        QCOMPARE(w.AxisMin(2)->value(), 8.0);
        QCOMPARE(w.AxisMax(2)->value(), 14.0);
        QCOMPARE(w.AxisMin(2)->arrowStep(), 0.001);
        QCOMPARE(w.Graph1()->axisMin(2), 8.0);
        QCOMPARE(w.Graph1()->axisMax(2), 14.0);
        QCOMPARE(w.Graph1()->axisCaption(1), QStringLiteral("Lx"));
        QCOMPARE(w.findChild<QLabel*>(QStringLiteral("LblUnit"))->text(), QStringLiteral("Lx"));
        QCOMPARE(session->graph.SnapshotLast, 2.0f);

        // The chart goes on; a second click replaces the snapshot with the longer series.
        tickWith(chart, {20.0f, 9.0f});
        clickChart(chart);
        QVERIFY(w.isVisible());
        QCOMPARE(w.Graph1()->plotPointCount(), 5);
        QCOMPARE(w.AxisMax(1)->value(), 5.0);
        QCOMPARE(w.AxisMax(2)->value(), 20.0);
        QCOMPARE(w.Graph1()->axisMax(1), 5.0);
    }

    // The snapshot's statistics: half a second a reading from the first tick, the display's
    // overload value over range.
    void snapshotHasTheFiguresOfTheHistory_data() {
        QTest::addColumn<QString>("unit");
        QTest::addColumn<float>("overload");
        QTest::addColumn<QString>("exposure");
        // 10 and 14 each held 0.5 s: 12 unit·s.
        QTest::newRow("lux") << "Lx" << 1000000.0f << "Exposure: 0.003333 lx\u00b7h";
        QTest::newRow("foot-candles")
            << "Fc" << 100000.0f << "Exposure: 0.03588 lx\u00b7h, 0.003333 fc\u00b7h";
    }
    void snapshotHasTheFiguresOfTheHistory() {
        QFETCH(QString, unit);
        QFETCH(float, overload);
        RealTimeAll* chart = openChart(unit, 10.0f);
        QVERIFY(QTest::qWaitForWindowExposed(chart));
        tickWith(chart, {10.0f, overload, 14.0f});
        QVERIFY(session->graph.GraphFirstTime.isValid());
        session->graph.GraphFirstTime = QDateTime(QDate(2026, 12, 8), QTime(9, 59, 59));
        clickChart(chart);
        graphs::GraphWindow& w = snapshotWindow();
        w.showStatistics(true);
        QCOMPARE(
            w.statisticsPanel()->shownLines().mid(0, 9),
            (QStringList{"Rows: 3", "Valid: 2", "Over range: 1", "First: 2026-12-08 09:59:59",
                         "Last: 2026-12-08 10:00:00", "Duration: 00:00:01",
                         "Minimum: 10 " + unit + " at 2026-12-08 09:59:59",
                         "Maximum: 14 " + unit + " at 2026-12-08 10:00:00", "Mean: 12 " + unit}));
        QTEST(w.statisticsPanel()->shownLines().filter(QStringLiteral("Exposure")).value(0),
              "exposure");
        // Its export is proposed under the caption and the first reading's time.
        w.findChild<QAction*>(QStringLiteral("ExportCsv"))->trigger();
        QCOMPARE(QFileInfo(prompts->proposedPaths.value(0)).fileName(),
                 QStringLiteral("Real Time Graph 2026-12-08 09-59-59.csv"));
    }

    void clickBeforeTheFirstReadingDoesNothing() {
        RealTimeAll* chart = openChart();
        QVERIFY(QTest::qWaitForWindowExposed(chart));
        clickChart(chart);
        QVERIFY(!snapshotWindow().isVisible());
        QCOMPARE(session->graph.SnapshotLast, 0.0f);
    }

    void resizeRestartsTheRunningExtremes() {
        RealTimeAll* chart = openChart(QStringLiteral("Lx"), 10.0f);
        QVERIFY(QTest::qWaitForWindowExposed(chart));
        tickWith(chart, {5.0f, 50.0f, 1.0f});
        QCOMPARE(session->graph.GraphRunMax, 50.0f);
        QCOMPARE(session->graph.GraphRunMin, 1.0f);
        session->display.MainValue = 20.0f;
        chart->resize(chart->width() + 40, chart->height() + 30);
        QTRY_COMPARE(session->graph.GraphRunMax, 20.0f);
        QCOMPARE(session->graph.GraphRunMin, 20.0f);
        tickWith(chart, {30.0f});
        clickChart(chart);
        graphs::GraphWindow& w = snapshotWindow();
        // The value axis spans the readings since the resize; the plot holds all of them.
        QCOMPARE(w.AxisMin(2)->value(), 20.0);
        QCOMPARE(w.AxisMax(2)->value(), 30.0);
        QCOMPARE(w.Graph1()->plotPointCount(), 4);
    }

    void snapshotAfterTheWrapShowsTheNewReadings() {
        RealTimeAll* chart = openChart();
        QVERIFY(QTest::qWaitForWindowExposed(chart));
        tickWith(chart, {1.0f, 2.0f});
        session->graph.GraphSampleCount = float(graphs::kGraphHistorySlots - 1);
        tickWith(chart, {3.0f, 4.0f, 5.0f});
        QCOMPARE(session->graph.GraphHistory[graphs::kGraphHistorySlots - 1], 3.0f);
        clickChart(chart);
        graphs::GraphWindow& w = snapshotWindow();
        QCOMPARE(w.Graph1()->plotPointCount(), 2);
        QCOMPARE(w.Graph1()->plotPoint(0), QPointF(1, 4));
        QCOMPARE(w.AxisMax(1)->value(), 2.0);
    }
};

QTEST_MAIN(TestRealTimeAll)
#include "test_real_time_all.moc"
