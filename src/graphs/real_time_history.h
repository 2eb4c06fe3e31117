#pragma once

#include "graphs/graph_state.h"
#include "link/display_model.h"

#include <QString>

#include <span>

namespace graphs {

// The chart ends when the unit is no longer the one it opened with, or the meter
// leaves the plain reading for any mode but the comparator.
bool realTimeChartMustClose(const meterlink::DisplayModel& display, const QString& graphUnit);

// Each tick: the running extremes follow v, and v goes into the next history slot;
// after the last slot the count starts again at 0.
void recordReading(GraphState& state, float v);

// Resize of the chart window: the running extremes start again from the current reading.
void restartRunningExtremes(GraphState& state, float mainValue);

// A click on the chart: sets SnapshotUnit, SnapshotLast, SnapshotMax and SnapshotMin, and
// returns the readings the snapshot plots (history slots 0 .. SnapshotLast). Empty when the
// history holds no reading yet; the snapshot values are then left as they were.
std::span<const float> takeSnapshotValues(GraphState& state, const QString& chartCaption);

} // namespace graphs
