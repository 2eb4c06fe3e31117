#include "graphs/real_time_history.h"

namespace graphs {

bool realTimeChartMustClose(const meterlink::DisplayModel& display, const QString& graphUnit) {
    const meterlink::MeterStatus& s = display.status;
    return display.UnitText != graphUnit || s.RelOn || s.RefOn || s.UpperPercentOn || s.CdOn ||
           s.FcHourOn || s.LxHourOn || s.SetUpOn;
}

void recordReading(GraphState& state, float v) {
    if (v > state.GraphRunMax)
        state.GraphRunMax = v;
    if (v < state.GraphRunMin)
        state.GraphRunMin = v;
    int slot = static_cast<int>(state.GraphSampleCount);
    // A count outside the history (never written by the program) restarts rather than overruns.
    if (slot < 0 || slot >= static_cast<int>(state.GraphHistory.size()))
        slot = 0;
    state.GraphHistory[static_cast<size_t>(slot)] = v;
    ++slot;
    if (slot >= kGraphHistorySlots || slot >= static_cast<int>(state.GraphHistory.size()))
        slot = 0;
    state.GraphSampleCount = static_cast<float>(slot);
}

void restartRunningExtremes(GraphState& state, float mainValue) {
    state.GraphRunMax = mainValue;
    state.GraphRunMin = mainValue;
}

std::span<const float> takeSnapshotValues(GraphState& state, const QString& chartCaption) {
    const int count = static_cast<int>(state.GraphSampleCount);
    if (count <= 0 || count > static_cast<int>(state.GraphHistory.size()))
        return {};
    state.SnapshotUnit = chartCaption;
    state.SnapshotLast = state.GraphSampleCount - 1.0f;
    state.SnapshotMax = state.GraphRunMax;
    state.SnapshotMin = state.GraphRunMin;
    return std::span<const float>(state.GraphHistory.data(), static_cast<size_t>(count));
}

} // namespace graphs
