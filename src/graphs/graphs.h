#pragma once

#include <QPointer>
#include <QString>

#include <memory>
#include <vector>

class QWidget;

namespace analysis {
class Readings;
}
namespace shared {
struct Session;
}
namespace meterlink {
class ExchangeQueue;
}
namespace platform {
class Prompts;
}

namespace graphs {

class GraphWindow;
class RealTimeAll;

// The graphs subsystem's windows, each existing once: the real-time chart RealTimeAll, its
// snapshot window RealTimeGraph and the Plot window for list data.
class Graphs {
public:
    Graphs(shared::Session& session, platform::Prompts& prompts,
           meterlink::ExchangeQueue& exchanges);
    ~Graphs();
    Graphs(const Graphs&) = delete;
    Graphs& operator=(const Graphs&) = delete;

    // The toolbar's "Graph", after its guard and opening values: creates the real-time chart
    // if it is not open, puts it at the main window's right edge and shows it non-modal.
    void showRealTimeAll(QWidget* mainWindow);
    // The open real-time chart, or null.
    RealTimeAll* realTimeAll() const;

    // Loaded (hidden) on first use and again after every close, which unloads them. The
    // reference is good until the window closes.
    GraphWindow& plotWindow();
    GraphWindow& realTimeGraphWindow();

    // GridToPlot's hand-over to the Plot window: keeps the values and the list's readings in
    // the session's PlotHandOver (Reset Scale reads them again later) and runs the fill
    // sequence.
    void fillPlot(const std::vector<float>& values, float count, float min, float max,
                  const QString& unit,
                  std::shared_ptr<const analysis::Readings> readings = nullptr);

private:
    shared::Session& session_;
    platform::Prompts& prompts_;
    meterlink::ExchangeQueue& exchanges_;
    QPointer<GraphWindow> plot_;
    QPointer<GraphWindow> realTimeGraph_;
    QPointer<RealTimeAll> realTimeAll_;
};

} // namespace graphs
