#include "graphs/graphs.h"

#include "graphs/graph_window.h"
#include "graphs/real_time_all.h"
#include "platform/keep_until_closed.h"
#include "shared/session.h"

namespace graphs {

Graphs::Graphs(shared::Session& session, platform::Prompts& prompts,
               meterlink::ExchangeQueue& exchanges)
    : session_(session), prompts_(prompts), exchanges_(exchanges) {}

Graphs::~Graphs() {
    // The chart is a child of the main window; if it is still about, it goes now, while the
    // session it writes to still exists. The graph windows have no parent to delete them.
    delete realTimeAll_.data();
    delete realTimeGraph_.data();
    delete plot_.data();
}

void Graphs::showRealTimeAll(QWidget* mainWindow) {
    if (!realTimeAll_) {
        auto snapshotWindow = [this]() -> GraphWindow& { return realTimeGraphWindow(); };
        platform::keepUntilClosed(realTimeAll_,
                                  new RealTimeAll(session_, snapshotWindow, mainWindow));
    } else {
        realTimeAll_->placeBeside(mainWindow);
    }
    if (realTimeAll_->isVisible())
        realTimeAll_->raise();
    else
        realTimeAll_->show();
}

RealTimeAll* Graphs::realTimeAll() const {
    return realTimeAll_.data();
}

GraphWindow& Graphs::plotWindow() {
    if (plot_)
        return *plot_;
    auto resetValues = [this] {
        const PlotHandOver& h = session_.graph.plot;
        return ResetValues{h.PlotCount, h.PlotMin, h.PlotMax};
    };
    return platform::keepUntilClosed(
        plot_, new GraphWindow(GraphWindow::Kind::Plot, prompts_, exchanges_, resetValues));
}

GraphWindow& Graphs::realTimeGraphWindow() {
    if (realTimeGraph_)
        return *realTimeGraph_;
    auto resetValues = [this] {
        const GraphState& g = session_.graph;
        return ResetValues{g.SnapshotLast + 1.0f, g.SnapshotMin, g.SnapshotMax};
    };
    return platform::keepUntilClosed(
        realTimeGraph_,
        new GraphWindow(GraphWindow::Kind::RealTimeGraph, prompts_, exchanges_, resetValues));
}

void Graphs::fillPlot(const std::vector<float>& values, float count, float min, float max,
                      const QString& unit, std::shared_ptr<const analysis::Readings> readings) {
    PlotHandOver& h = session_.graph.plot;
    if (&values != &h.PlotValues)
        h.PlotValues = values;
    h.PlotCount = count;
    h.PlotMin = min;
    h.PlotMax = max;
    h.PlotUnit = unit;
    h.PlotReadings = std::move(readings);
    plotWindow().fill(h.PlotValues, h.PlotCount, h.PlotMin, h.PlotMax, h.PlotUnit, h.PlotReadings);
}

} // namespace graphs
