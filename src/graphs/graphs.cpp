#include "graphs/graphs.h"

#include "shared/session.h"
#include "graphs/graph_window.h"
#include "graphs/real_time_all.h"

namespace graphs {

Graphs::Graphs(shared::Session& session, platform::Prompts& prompts)
    : session_(session), prompts_(prompts) {}

Graphs::~Graphs() {
    // The chart is a child of the main window; if it is still about, it goes now, while the
    // session it writes to still exists.
    delete realTimeAll_.data();
}

void Graphs::showRealTimeAll(QWidget* mainWindow) {
    if (!realTimeAll_) {
        realTimeAll_ = new RealTimeAll(
            session_, [this]() -> GraphWindow& { return realTimeGraphWindow(); }, mainWindow);
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
    if (!plot_) {
        plot_ = std::make_unique<GraphWindow>(GraphWindow::Kind::Plot, prompts_, [this] {
            const PlotHandOver& h = session_.graph.plot;
            return ResetValues{h.PlotCount, h.PlotMin, h.PlotMax};
        });
    }
    return *plot_;
}

GraphWindow& Graphs::realTimeGraphWindow() {
    if (!realTimeGraph_) {
        realTimeGraph_ =
            std::make_unique<GraphWindow>(GraphWindow::Kind::RealTimeGraph, prompts_, [this] {
                const GraphState& g = session_.graph;
                return ResetValues{g.SnapshotLast + 1.0f, g.SnapshotMin, g.SnapshotMax};
            });
    }
    return *realTimeGraph_;
}

void Graphs::fillPlot(const std::vector<float>& values, float count, float min, float max,
                      const QString& unit) {
    PlotHandOver& h = session_.graph.plot;
    if (&values != &h.PlotValues)
        h.PlotValues = values;
    h.PlotCount = count;
    h.PlotMin = min;
    h.PlotMax = max;
    h.PlotUnit = unit;
    plotWindow().fill(h.PlotValues, h.PlotCount, h.PlotMin, h.PlotMax, h.PlotUnit);
}

} // namespace graphs
