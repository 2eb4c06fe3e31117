#pragma once

#include "analysis/reading_series.h"

#include <QStringView>

#include <map>
#include <optional>

namespace analysis {

// The figures of a list's summary line, kept up to date as rows arrive one at a time: a live
// list gets a row a second and may hold 100,000, so a row costs the same however long the list
// is. The rows hold by the dose rule, as in computeFigures; they are timed by their stamps
// alone (each step the least that keeps time going forward), which can differ from the dated
// rows only across a month end or a change of the clocks.
class RunningSummary {
public:
    RunningSummary() = default;
    // The cached places point into this summary's own maps.
    RunningSummary(const RunningSummary&) = delete;
    RunningSummary& operator=(const RunningSummary&) = delete;

    void add(QStringView stamp, QStringView reading);

    qsizetype rows() const { return rows_; }
    qsizetype valid() const { return valid_; }
    // None without a valid reading.
    std::optional<double> min() const;
    std::optional<double> max() const;
    std::optional<double> mean() const;
    // In the readings' unit times hours; lux-hours for lux readings.
    double exposureUnitHours() const;
    // The sampling interval: the median step between the rows' times, as computeFigures takes
    // it.
    double interval() const;

private:
    void addStep(qint64 seconds);

    qsizetype rows_ = 0;
    qsizetype valid_ = 0;
    double sum_ = 0.0;
    double min_ = 0.0;
    double max_ = 0.0;

    // Steps between consecutive rows' times (seconds -> how many), and for each step the sum of
    // the valid readings held over it.
    std::map<qint64, qsizetype> steps_;
    qsizetype stepCount_ = 0;
    std::map<qint64, double> heldSums_;
    // Most steps are the one before them: where it is counted, found without a lookup.
    std::map<qint64, qsizetype>::iterator lastStep_ = steps_.end();
    std::map<qint64, double>::iterator lastHeld_ = heldSums_.end();

    // The last row with a readable stamp, and the rows after it whose stamps cannot be read:
    // they take the next readable stamp's time, so their steps are only known once it comes.
    std::optional<textrules::Stamp> lastStamp_;
    std::optional<double> lastValue_; // that row's reading, when valid
    qsizetype untimedAfter_ = 0;
};

} // namespace analysis
