#pragma once

#include <QtGlobal>

namespace analysis {

// The light dose rule, which the full figures and a list's running summary both follow: each
// valid reading holds its value from its time to the next row's; the last row, and a row before
// a gap of more than kPauseIntervals sampling intervals (a pause, not a slow reading), hold for
// one interval. The sampling interval is the median step between the rows' times.

inline constexpr double kPauseIntervals = 3.0;
inline constexpr double kSecondsPerHour = 3600.0;

// How long a reading holds, the gap to the next row being known.
constexpr double heldSeconds(double gap, double interval) {
    return interval > 0.0 && gap > kPauseIntervals * interval ? interval : gap;
}

// Which of the sorted steps is the median: the upper middle one.
constexpr qsizetype medianStepIndex(qsizetype steps) {
    return steps / 2;
}

// The sampling interval from the median step and the least step above zero: rows taken within
// one second give a median of zero, and then the least real step stands for the interval.
constexpr double samplingInterval(double medianStep, double leastPositiveStep) {
    return medianStep > 0.0 ? medianStep : leastPositiveStep;
}

} // namespace analysis
