#pragma once

#include <QString>

#include <vector>

namespace graphs {

inline constexpr int kGraphHistorySlots = 864001; // 120 hours at one reading per 500 ms

// The real-time graph's values, kept for the whole run.
struct GraphState {
    bool GraphOpen = false;
    bool GraphNeedsInit = false;
    QString GraphUnit;
    float GraphSampleCount = 0.0f; // readings in GraphHistory: the index of the next slot
    std::vector<float> GraphHistory = std::vector<float>(kGraphHistorySlots); // allocated once
    float GraphRunMax = 0.0f;
    float GraphRunMin = 0.0f;
    float SnapshotMax = 0.0f;
    float SnapshotMin = 0.0f;
    float SnapshotLast = 0.0f;
    QString SnapshotUnit;
};

} // namespace graphs
