#pragma once

#include <QWidget>

#include <functional>

class QTimer;

namespace shared {
struct Session;
}

namespace graphs {

class Graph;
class GraphWindow;

// The real-time graph "Real Time Graph": charts the meter's reading every half second into the
// history and, on a click, hands a snapshot of the whole history to the RealTimeGraph window.
// Closing it (by the user or by a tick) clears GraphOpen; the window deletes itself then, and
// "Graph" opens a new one.
class RealTimeAll : public QWidget {
    Q_OBJECT
public:
    static constexpr int kFirstTickMs = 1000;
    static constexpr int kTickMs = 500;
    static constexpr int kChartPoints = 240; // two minutes in view before the chart scrolls

    // snapshotWindow loads the RealTimeGraph window when first asked for it.
    RealTimeAll(shared::Session& session, std::function<GraphWindow&()> snapshotWindow,
                QWidget* mainWindow);
    ~RealTimeAll() override;

    Graph* Graph1() const { return graph_; }
    QTimer* Timer1() const { return timer_; }

    // Puts the window at the right edge of the main window, at the top of the screen.
    void placeBeside(QWidget* mainWindow);

    // The handlers: Timer1's tick and a click on the chart.
    void tick();
    void takeSnapshot();

signals:
    // The chart is closing and will delete itself.
    void closed();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    shared::Session& session_;
    std::function<GraphWindow&()> snapshotWindow_;
    Graph* graph_ = nullptr;
    QTimer* timer_ = nullptr;
};

} // namespace graphs
