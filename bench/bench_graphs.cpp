// Graph benchmarks: the snapshot of a full history, replots of the snapshot, the statistics
// panel following a zoom, and the CPU the open real-time chart costs. Prints "name: value unit"
// lines.
//
//   bench_graphs [seconds]   seconds: length of each CPU phase (default 60)

#include "graphs/graph.h"
#include "graphs/graph_window.h"
#include "graphs/graphs.h"
#include "graphs/real_time_all.h"
#include "graphs/statistics_panel.h"
#include "link/exchange_queue.h"
#include "link/waiter.h"
#include "paint_counter.h"
#include "platform/prompts.h"
#include "shared/session.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QMouseEvent>
#include <QTimer>

#include <sys/resource.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>
#include <vector>

namespace {

// Of a set that is never empty: every caller times a fixed number of runs.
double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// A figure that could not be measured fails the run, naming the figure, rather than printing
// a number that means nothing.
int fail(const char* figures, const char* why) {
    std::fprintf(stderr, "%s: %s\n", figures, why);
    return 1;
}

double processCpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

void runEvents(double seconds) {
    QEventLoop loop;
    QTimer::singleShot(int(seconds * 1000), &loop, &QEventLoop::quit);
    loop.exec();
}

void leftClick(QWidget* w, QPoint at) {
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(at), QPointF(w->mapToGlobal(at)),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(at), QPointF(w->mapToGlobal(at)),
                        Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(w, &press);
    QApplication::sendEvent(w, &release);
}

// What the toolbar's "Graph" does before it shows the chart.
void openChart(shared::Session& s, graphs::Graphs& g, QWidget* mainWindow) {
    s.graph.GraphNeedsInit = true;
    s.graph.GraphOpen = true;
    s.graph.GraphSampleCount = 0;
    s.graph.GraphUnit = s.display.UnitText;
    s.graph.SnapshotMax = s.graph.SnapshotMin = s.display.MainValue;
    g.showRealTimeAll(mainWindow);
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const double cpuPhaseSeconds = argc > 1 ? std::max(1.0, std::atof(argv[1])) : 60.0;

    shared::Session session;
    platform::DialogPrompts prompts;
    meterlink::EventLoopWaiter waiter;
    meterlink::ExchangeQueue exchanges(waiter);
    graphs::Graphs graphs(session, prompts, exchanges);
    QWidget mainWindow;
    mainWindow.setGeometry(0, 0, 400, 300);
    mainWindow.show();
    session.display.UnitText = QStringLiteral("Lx");
    session.display.MainValue = 500.0f;

    // A chart whose history is full: the most a snapshot can take is 864000 readings, as the
    // 864001st takes the last slot and the count starts again at 0.
    openChart(session, graphs, &mainWindow);
    graphs::RealTimeAll* chart = graphs.realTimeAll();
    chart->tick(); // the first tick's set-up: loads the snapshot window
    graphs::GraphState& g = session.graph;
    const int readings = graphs::kGraphHistorySlots - 1;
    for (int i = 0; i < readings; ++i)
        g.GraphHistory[size_t(i)] =
            500.0f + 200.0f * float(std::sin(i * 0.0005)) + float((qint64(i) * 7919) % 101) * 0.5f;
    g.GraphSampleCount = float(readings);
    g.GraphRunMax = *std::max_element(g.GraphHistory.begin(), g.GraphHistory.end() - 1);
    g.GraphRunMin = *std::min_element(g.GraphHistory.begin(), g.GraphHistory.end() - 1);
    QCoreApplication::processEvents();

    graphs::GraphWindow& snapshot = graphs.realTimeGraphWindow();
    PaintCounter painted(snapshot.Graph1()->surface());
    QWidget* chartSurface = chart->Graph1()->surface();
    const QPoint middle(chartSurface->width() / 2, chartSurface->height() / 2);

    std::vector<double> snapshots;
    for (int run = 0; run < 7; ++run) {
        QElapsedTimer t;
        t.start();
        leftClick(chartSurface, middle);
        if (!waitForPaint(painted))
            return fail("snapshot_864k_ms, snapshot_864k_first_ms",
                        "the snapshot window did not paint within 2 s");
        snapshots.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    const int points = snapshot.Graph1()->plotPointCount();
    if (points == 0)
        return fail("snapshot_points", "the snapshot plotted no point");
    std::printf("snapshot_864k_ms: %.1f ms\n", median(snapshots));
    std::printf("snapshot_864k_first_ms: %.1f ms\n", snapshots.front());
    std::printf("snapshot_points: %d points\n", points);

    // Replots of the snapshot: a change of the value axis, until the window has painted; none
    // when a replot never painted, as its time would be the two-second give-up.
    graphs::Graph* plot = snapshot.Graph1();
    auto replotTimes = [&](double x0, double x1) -> std::optional<double> {
        plot->setAxisRange(1, x0, x1);
        if (!waitForPaint(painted))
            return std::nullopt;
        std::vector<double> times;
        for (int i = 0; i < 21; ++i) {
            QElapsedTimer t;
            t.start();
            plot->setAxisRange(2, g.GraphRunMin, g.GraphRunMax + (i % 2) * 10.0);
            if (!waitForPaint(painted))
                return std::nullopt;
            times.push_back(double(t.nsecsElapsed()) / 1e6);
        }
        return median(times);
    };
    const std::optional<double> full = replotTimes(1, readings);
    if (!full)
        return fail("replot_full_864k_ms", "a replot did not paint within 2 s");
    std::printf("replot_full_864k_ms: %.1f ms\n", *full);
    const std::optional<double> zoomed = replotTimes(400000, 401000);
    if (!zoomed)
        return fail("replot_zoomed_ms", "a replot did not paint within 2 s");
    std::printf("replot_zoomed_ms: %.1f ms\n", *zoomed);

    // The statistics panel after a zoom: from the new range of axis 1 until the panel has
    // painted the figures of the readings now in view. Each zoom shows about half the history
    // (a different count each time, so the row count changes), somewhere else along it; the
    // whole history, as Reset Scale shows it, is the most the panel has to work through.
    snapshot.showStatistics(true);
    if (!waitForPaint(painted))
        return fail("stats_panel_zoom_ms", "the snapshot window did not paint within 2 s");
    auto* rowsShown =
        snapshot.statisticsPanel()->findChild<QLabel*>(QStringLiteral("FigureValue0"));
    if (!rowsShown)
        return fail("stats_panel_zoom_ms, stats_panel_full_ms", "the panel shows no figures");
    PaintCounter panelPainted(rowsShown);
    auto panelTime = [&](double x0, double x1) -> std::optional<double> {
        const QString before = rowsShown->text();
        QElapsedTimer t;
        t.start();
        plot->setAxisRange(1, x0, x1);
        if (!waitForPaint(panelPainted) || rowsShown->text() == before)
            return std::nullopt;
        return double(t.nsecsElapsed()) / 1e6;
    };
    std::vector<double> zooms;
    for (int run = 0; run < 9; ++run) {
        const double width = readings / 2.0 - run * 1000.0;
        const double from = 1.0 + run * (readings - width) / 8.0;
        const std::optional<double> ms = panelTime(from, from + width);
        if (!ms)
            return fail("stats_panel_zoom_ms",
                        "the panel did not show the zoomed range within 2 s");
        zooms.push_back(*ms);
    }
    std::printf("stats_panel_zoom_ms: %.1f ms\n", median(zooms));
    std::vector<double> fulls;
    for (int run = 0; run < 5; ++run) {
        // Away and back, so that every run shows the whole history anew.
        if (!panelTime(1000, 2000 + run))
            return fail("stats_panel_full_ms", "the panel did not follow the zoom within 2 s");
        const std::optional<double> ms = panelTime(1, readings);
        if (!ms)
            return fail("stats_panel_full_ms", "the panel did not show the whole history");
        fulls.push_back(*ms);
    }
    std::printf("stats_panel_full_ms: %.1f ms\n", median(fulls));

    // CPU of the open chart: the same run of events with the chart closed and open; a reading
    // that changes four times a second stands in for the panel's polling in both.
    snapshot.close();
    chart->close();
    QCoreApplication::processEvents();
    int step = 0;
    QTimer feeder;
    QObject::connect(&feeder, &QTimer::timeout, &app,
                     [&] { session.display.MainValue = 500.0f + float((++step * 37) % 200); });
    feeder.start(250);

    double cpu = processCpuSeconds();
    runEvents(cpuPhaseSeconds);
    const double closedCpu = processCpuSeconds() - cpu;

    openChart(session, graphs, &mainWindow);
    cpu = processCpuSeconds();
    runEvents(cpuPhaseSeconds);
    const double openCpu = processCpuSeconds() - cpu;
    const double ticks = session.graph.GraphSampleCount;
    if (ticks == 0)
        return fail("realtime_chart_cpu_percent, realtime_chart_ticks",
                    "the open chart never ticked");
    std::printf("realtime_chart_cpu_percent: %.3f %%\n",
                100.0 * (openCpu - closedCpu) / cpuPhaseSeconds);
    std::printf("realtime_chart_ticks: %.0f ticks in %.0f s\n", ticks, cpuPhaseSeconds);
    return 0;
}
