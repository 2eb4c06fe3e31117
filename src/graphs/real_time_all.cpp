#include "graphs/real_time_all.h"

#include "analysis/readings.h"

#include "graphs/graph.h"
#include "graphs/graph_window.h"
#include "graphs/num_edit.h"
#include "graphs/real_time_history.h"
#include "platform/placement.h"
#include "shared/session.h"

#include <QCloseEvent>
#include <QDateTime>
#include <QTimer>

namespace graphs {

RealTimeAll::RealTimeAll(shared::Session& session, std::function<GraphWindow&()> snapshotWindow,
                         QWidget* mainWindow)
    : QWidget(mainWindow, Qt::Window), session_(session),
      snapshotWindow_(std::move(snapshotWindow)) {
    setObjectName(QStringLiteral("RealTimeAll"));
    setWindowTitle(QStringLiteral("Real Time Graph"));
    setAttribute(Qt::WA_DeleteOnClose);

    GraphDesign design;
    design.axis1Name = QStringLiteral("XAxis");
    design.axis2Name = QStringLiteral("YAxis-1");
    design.axis1Caption = QStringLiteral("Lux");
    design.cursorCount = 0;
    graph_ = new Graph(design, this);
    graph_->setObjectName(QStringLiteral("Graph1"));
    graph_->setChartLength(kChartPoints);
    connect(graph_, &Graph::clicked, this, &RealTimeAll::takeSnapshot);

    timer_ = new QTimer(this);
    timer_->setObjectName(QStringLiteral("Timer1"));
    timer_->setTimerType(Qt::CoarseTimer);
    timer_->setInterval(kFirstTickMs);
    connect(timer_, &QTimer::timeout, this, &RealTimeAll::tick);

    resize(480, 320);
    placeBeside(mainWindow);
    timer_->start();
}

RealTimeAll::~RealTimeAll() = default;

void RealTimeAll::placeBeside(QWidget* mainWindow) {
    if (!mainWindow)
        return;
    const QRect main = mainWindow->frameGeometry();
    platform::placeAt(*this, QPoint(main.x() + main.width(), 0));
}

void RealTimeAll::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    graph_->setGeometry(rect());
    restartRunningExtremes(session_.graph, session_.display.MainValue);
}

void RealTimeAll::closeEvent(QCloseEvent* event) {
    session_.graph.GraphOpen = false;
    timer_->stop();
    QWidget::closeEvent(event);
    emit closed();
}

void RealTimeAll::tick() {
    GraphState& g = session_.graph;
    if (g.GraphNeedsInit) {
        if (snapshotWindow_)
            snapshotWindow_().AxisMax(2)->setDisplayFormat(QStringLiteral("0.###"));
        graph_->setAxisCaption(1, g.GraphUnit);
        g.GraphNeedsInit = false;
    }
    if (realTimeChartMustClose(session_.display, g.GraphUnit)) {
        close();
        return;
    }
    if (timer_->interval() != kTickMs)
        timer_->setInterval(kTickMs);
    // An over-range reading goes in as the value the display model gives it (1000000 for a
    // lux overload), and counts in the running extremes so the snapshot's range shows it.
    const float v = session_.display.MainValue;
    if (g.GraphSampleCount == 0.0f)
        g.GraphFirstTime = QDateTime::currentDateTime();
    recordReading(g, v);
    graph_->appendValue(v);
}

void RealTimeAll::takeSnapshot() {
    GraphState& g = session_.graph;
    const std::span<const float> values = takeSnapshotValues(g, graph_->axisCaption(1));
    // Before the first reading there is nothing to show: the click leaves things as they are.
    if (values.empty() || !snapshotWindow_)
        return;
    // A history filled without the chart's ticks has no first time: its last reading is now.
    const QDateTime first =
        g.GraphFirstTime.isValid()
            ? g.GraphFirstTime
            : QDateTime::currentDateTime().addMSecs(-qint64(values.size() - 1) * kTickMs);
    auto readings = std::make_shared<const analysis::Readings>(analysis::Readings::fromHistory(
        values, g.SnapshotUnit, first, kTickMs / 1000.0, meterlink::overloadValue(g.SnapshotUnit)));
    snapshotWindow_().fill(values, g.SnapshotLast + 1.0f, g.SnapshotMin, g.SnapshotMax,
                           g.SnapshotUnit, std::move(readings));
}

} // namespace graphs
