#include "analysis/running_summary.h"

#include "analysis/dose_rule.h"

#include <algorithm>

namespace analysis {

void RunningSummary::addStep(qint64 seconds) {
    if (lastStep_ == steps_.end() || lastStep_->first != seconds)
        lastStep_ = steps_.try_emplace(seconds, 0).first;
    ++lastStep_->second;
    ++stepCount_;
}

void RunningSummary::add(QStringView stamp, QStringView reading) {
    ++rows_;
    const std::optional<textrules::Stamp> at = textrules::parseStamp(stamp);
    const textrules::ReadingNumber n = textrules::readingNumber(reading);
    const double value = float(n.value); // as the full figures hold it
    const bool valid = at && n.kind == ReadingKind::Valid;
    if (valid) {
        min_ = valid_ == 0 ? value : std::min(min_, value);
        max_ = valid_ == 0 ? value : std::max(max_, value);
        ++valid_;
        sum_ += value;
    }
    if (!at) {
        // Rows without a time of their own take the next stamp's, so two of them in a row are
        // a step of nothing; the step from the last stamped row waits for the next stamp.
        if (untimedAfter_ > 0 || (!lastStamp_ && rows_ > 1))
            addStep(0);
        ++untimedAfter_;
        return;
    }
    if (lastStamp_) {
        const qint64 gap = qint64(daysBetween(*lastStamp_, *at)) * textrules::kSecondsPerDay +
                           at->secondOfDay - lastStamp_->secondOfDay;
        addStep(gap);
        if (lastValue_) {
            if (lastHeld_ == heldSums_.end() || lastHeld_->first != gap)
                lastHeld_ = heldSums_.try_emplace(gap, 0.0).first;
            lastHeld_->second += *lastValue_;
        }
    }
    if (untimedAfter_ > 0)
        addStep(0);
    lastStamp_ = at;
    lastValue_ = valid ? std::optional<double>(value) : std::nullopt;
    untimedAfter_ = 0;
}

double RunningSummary::interval() const {
    // Rows left at the end without a stamp share the last stamped row's time.
    const qsizetype pendingZero = lastStamp_ && untimedAfter_ > 0 ? 1 : 0;
    const qsizetype count = stepCount_ + pendingZero;
    if (count == 0)
        return 0.0;
    const qsizetype middle = medianStepIndex(count);
    qint64 median = 0;
    qsizetype seen = pendingZero;
    if (middle >= seen) {
        for (const auto& [step, n] : steps_) {
            seen += n;
            if (middle < seen) {
                median = step;
                break;
            }
        }
    }
    const auto least = steps_.upper_bound(0);
    return samplingInterval(double(median), least == steps_.end() ? 0.0 : double(least->first));
}

double RunningSummary::exposureUnitHours() const {
    const double held = interval();
    // The steps are few (a live list's are mostly one or two lengths), so this walk is short.
    double total = 0.0;
    for (const auto& [gap, readings] : heldSums_)
        total += heldSeconds(double(gap), held) * readings;
    if (untimedAfter_ == 0 && lastValue_)
        total += held * *lastValue_;
    return total / kSecondsPerHour;
}

std::optional<double> RunningSummary::min() const {
    return valid_ > 0 ? std::optional<double>(min_) : std::nullopt;
}

std::optional<double> RunningSummary::max() const {
    return valid_ > 0 ? std::optional<double>(max_) : std::nullopt;
}

std::optional<double> RunningSummary::mean() const {
    return valid_ > 0 ? std::optional<double>(sum_ / double(valid_)) : std::nullopt;
}

} // namespace analysis
