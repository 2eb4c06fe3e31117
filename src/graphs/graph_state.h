#pragma once

#include <QDateTime>
#include <QString>

#include <memory>
#include <vector>

namespace analysis {
class Readings;
}

namespace graphs {

inline constexpr int kGraphHistorySlots = 864001; // 120 hours at one reading per 500 ms

// What the file list hands to the Plot window. Reset Scale reads the count and range again
// when pressed, so they live as long as the run, not just for the fill.
struct PlotHandOver {
    std::vector<float> PlotValues; // element 0 is reading number 1
    float PlotCount = 0.0f;
    float PlotMin = 0.0f;
    float PlotMax = 0.0f;
    QString PlotUnit;
    // The list's rows as a record, for the window's statistics and export.
    std::shared_ptr<const analysis::Readings> PlotReadings;
};

// The real-time graph's values, kept for the whole run.
struct GraphState {
    bool GraphOpen = false;
    bool GraphNeedsInit = false;
    QString GraphUnit;
    float GraphSampleCount = 0.0f; // readings in GraphHistory: the index of the next slot
    QDateTime GraphFirstTime;      // when the reading in slot 0 was taken
    std::vector<float> GraphHistory = std::vector<float>(kGraphHistorySlots); // allocated once
    float GraphRunMax = 0.0f;
    float GraphRunMin = 0.0f;
    float SnapshotMax = 0.0f;
    float SnapshotMin = 0.0f;
    float SnapshotLast = 0.0f;
    QString SnapshotUnit;

    PlotHandOver plot;
};

} // namespace graphs
