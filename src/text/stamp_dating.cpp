#include "text/stamp_dating.h"

#include <QDate>

#include <algorithm>

namespace textrules {

namespace {

constexpr qint64 kEpochJulianDay = 2440588;
// The changes of a zone are asked for this far around a moment at a time.
constexpr qint64 kCoverSeconds = 3 * 366 * kSecondsPerDay;
constexpr qint64 kNever = std::numeric_limits<qint64>::max();
constexpr qint64 kAlways = std::numeric_limits<qint64>::min();

int dayOfMonth(qint64 day) {
    return dateOfWallDay(day).day();
}

// The latest day on or before `day` (whose day of the month is `dom`) that is the d-th of its
// month. A month without that day (the 31st of April) is passed over.
qint64 onOrBefore(qint64 day, int dom, int d) {
    if (d <= dom)
        return day - (dom - d);
    const QDate date = dateOfWallDay(day);
    for (int back = 1;; ++back) {
        const QDate month = QDate(date.year(), date.month(), 1).addMonths(-back);
        if (d <= month.daysInMonth())
            return wallDayOf(QDate(month.year(), month.month(), d));
    }
}

} // namespace

qint64 wallDay(qint64 wall) {
    return wall >= 0 ? wall / kSecondsPerDay : -((-wall + kSecondsPerDay - 1) / kSecondsPerDay);
}

QDate dateOfWallDay(qint64 day) {
    return QDate::fromJulianDay(day + kEpochJulianDay);
}

qint64 wallDayOf(const QDate& date) {
    return date.toJulianDay() - kEpochJulianDay;
}

ZoneRules::ZoneRules(const QTimeZone& zone) : zone_(zone) {
    fixed_ = !zone_.isValid() || !zone_.hasTransitions();
    if (fixed_)
        fixedOffset_ = zone_.isValid() ? zone_.offsetFromUtc(QDateTime::currentDateTimeUtc()) : 0;
}

void ZoneRules::cover(qint64 utc) {
    if (fixed_ || (from_ < to_ && utc - kSecondsPerDay >= from_ && utc + kSecondsPerDay < to_))
        return;
    auto changesBetween = [this](qint64 from, qint64 to) {
        std::vector<std::pair<qint64, int>> out;
        for (const QTimeZone::OffsetData& d :
             zone_.transitions(QDateTime::fromSecsSinceEpoch(from, QTimeZone::utc()),
                               QDateTime::fromSecsSinceEpoch(to, QTimeZone::utc())))
            out.emplace_back(d.atUtc.toSecsSinceEpoch(), d.offsetFromUtc);
        return out;
    };
    auto offsetAtUtc = [this](qint64 at) {
        return zone_.offsetFromUtc(QDateTime::fromSecsSinceEpoch(at, QTimeZone::utc()));
    };
    if (from_ >= to_) {
        from_ = utc - kCoverSeconds;
        to_ = utc + kCoverSeconds;
        offsetBefore_ = offsetAtUtc(from_);
        for (const auto& [at, offset] : changesBetween(from_, to_ - 1)) {
            changes_.push_back(at);
            offsetsAfter_.push_back(offset);
        }
        return;
    }
    if (utc - kSecondsPerDay < from_) {
        const qint64 from = std::min(utc, from_) - kCoverSeconds;
        std::vector<qint64> at;
        std::vector<int> after;
        for (const auto& [when, offset] : changesBetween(from, from_ - 1)) {
            at.push_back(when);
            after.push_back(offset);
        }
        changes_.insert(changes_.begin(), at.begin(), at.end());
        offsetsAfter_.insert(offsetsAfter_.begin(), after.begin(), after.end());
        from_ = from;
        offsetBefore_ = offsetAtUtc(from_);
    }
    if (utc + kSecondsPerDay >= to_) {
        const qint64 to = std::max(utc, to_) + kCoverSeconds;
        for (const auto& [when, offset] : changesBetween(to_, to - 1)) {
            if (!changes_.empty() && when <= changes_.back())
                continue;
            changes_.push_back(when);
            offsetsAfter_.push_back(offset);
        }
        to_ = to;
    }
}

qsizetype ZoneRules::intervalAt(qint64 utc) const {
    return qsizetype(std::upper_bound(changes_.begin(), changes_.end(), utc) - changes_.begin()) -
           1;
}

ZoneRules::Interval ZoneRules::interval(qsizetype k) const {
    const qsizetype n = qsizetype(changes_.size());
    return {k < 0 ? kAlways : changes_[size_t(k)], k + 1 < n ? changes_[size_t(k + 1)] : kNever,
            k < 0 ? offsetBefore_ : offsetsAfter_[size_t(k)]};
}

int ZoneRules::offsetAt(qint64 utc) {
    if (fixed_)
        return fixedOffset_;
    cover(utc);
    return interval(intervalAt(utc)).offset;
}

ZoneRules::Moments ZoneRules::momentsOf(qint64 wall) {
    if (fixed_)
        return {1, wall - fixedOffset_, wall - fixedOffset_};
    if (wall >= plainFrom_ && wall < plainTo_)
        return {1, wall - plainOffset_, wall - plainOffset_};
    cover(wall);
    const qsizetype n = qsizetype(changes_.size());
    const qsizetype k0 = intervalAt(wall - offsetAt(wall));
    Moments m;
    for (qsizetype k = std::max<qsizetype>(k0 - 1, -1); k <= std::min(k0 + 1, n - 1); ++k) {
        const Interval in = interval(k);
        const qint64 utc = wall - in.offset;
        if (utc < in.from || utc >= in.to)
            continue;
        if (m.count++ == 0) {
            m.earlier = m.later = utc;
            // The wall times of this interval that no change of the clocks reaches, within the
            // span whose changes are known, stand for one moment each.
            const qint64 from = in.from == kAlways
                                    ? from_ + kSecondsPerDay
                                    : in.from + std::max(in.offset, interval(k - 1).offset);
            const qint64 to = in.to == kNever ? to_ - kSecondsPerDay
                                              : in.to + std::min(in.offset, interval(k + 1).offset);
            if (wall >= from && wall < to) {
                plainFrom_ = std::max(from, from_ + kSecondsPerDay);
                plainTo_ = std::min(to, to_ - kSecondsPerDay);
                plainOffset_ = in.offset;
            }
        } else {
            m.later = utc;
        }
    }
    if (m.count == 0) {
        // Skipped: read on the clock from before the change that skipped it.
        for (qsizetype k = std::max<qsizetype>(k0, 0); k <= std::min(k0 + 1, n - 1); ++k) {
            const Interval before = interval(k - 1);
            const Interval in = interval(k);
            if (wall >= in.from + before.offset && wall < in.from + in.offset) {
                m.earlier = m.later = wall - before.offset;
                break;
            }
        }
    }
    return m;
}

std::optional<qint64> ZoneRules::repeatedFrom(qint64 wall) {
    if (fixed_)
        return std::nullopt;
    cover(wall);
    const qsizetype k0 = intervalAt(wall - offsetAt(wall));
    const qsizetype n = qsizetype(changes_.size());
    for (qsizetype k = std::max<qsizetype>(k0 - 1, 0); k <= std::min(k0 + 1, n - 1); ++k) {
        const Interval before = interval(k - 1);
        const Interval in = interval(k);
        if (in.offset < before.offset && wall >= in.from + in.offset &&
            wall < in.from + before.offset)
            return in.from + in.offset;
    }
    return std::nullopt;
}

std::vector<std::optional<ZonedTime>> dateStamps(std::span<const std::optional<Stamp>> stamps,
                                                 qint64 referenceUtc, ZoneRules& zone) {
    const size_t n = stamps.size();
    constexpr qint64 kNone = std::numeric_limits<qint64>::min();
    // The wall-clock times, walking back by the calendar.
    std::vector<qint64> walls(n, kNone);
    std::vector<bool> repeatStep(n, false); // the step to the next row is the repeated hour
    std::optional<qint64> next;
    std::optional<qint64> usedRepeat; // the repeated stretch already used, walking back
    qint64 domDay = kNone;
    int dom = 0;
    auto dayOfMonthCached = [&](qint64 day) {
        if (day != domDay) {
            domDay = day;
            dom = dayOfMonth(day);
        }
        return dom;
    };
    for (size_t i = n; i-- > 0;) {
        if (!stamps[i])
            continue;
        const Stamp s = *stamps[i];
        qint64 day;
        if (!next) {
            const qint64 refDay = wallDay(zone.wallOf(referenceUtc));
            day = onOrBefore(refDay, dayOfMonth(refDay), s.day);
        } else {
            const qint64 nextDay = wallDay(*next);
            const qint64 nextSecond = *next - nextDay * kSecondsPerDay;
            const int nextDom = dayOfMonthCached(nextDay);
            day = onOrBefore(nextDay, nextDom, s.day);
            if (day == nextDay && s.secondOfDay > nextSecond) {
                const qint64 wall = day * kSecondsPerDay + s.secondOfDay;
                const std::optional<qint64> repeated = zone.repeatedFrom(*next);
                if (repeated && repeated != usedRepeat && zone.repeatedFrom(wall) == repeated) {
                    repeatStep[i] = true;
                    usedRepeat = repeated;
                } else {
                    day = onOrBefore(nextDay - 1, dayOfMonth(nextDay - 1), s.day);
                }
            }
        }
        walls[i] = day * kSecondsPerDay + s.secondOfDay;
        next = walls[i];
    }

    // Rows in an hour shown twice that come after its repeated step are its second showing.
    std::vector<bool> afterRepeat(n, false);
    std::optional<size_t> previous;
    for (size_t i = 0; i < n; ++i) {
        if (walls[i] == kNone)
            continue;
        if (previous && zone.momentsOf(walls[i]).count == 2) {
            const size_t p = *previous;
            afterRepeat[i] =
                repeatStep[p] || (afterRepeat[p] && walls[p] <= walls[i] &&
                                  zone.repeatedFrom(walls[p]) == zone.repeatedFrom(walls[i]));
        }
        previous = i;
    }

    // Real time, walking back.
    std::vector<std::optional<ZonedTime>> out(n);
    qint64 limit = referenceUtc;
    std::optional<size_t> later; // the next dated row
    bool laterBeforeRepeat = false;
    for (size_t i = n; i-- > 0;) {
        if (walls[i] == kNone)
            continue;
        const ZoneRules::Moments m = zone.momentsOf(walls[i]);
        qint64 utc = m.earlier;
        bool beforeRepeat = false;
        if (m.count == 2) {
            beforeRepeat =
                repeatStep[i] || (later && laterBeforeRepeat && walls[i] <= walls[*later] &&
                                  zone.repeatedFrom(walls[i]) == zone.repeatedFrom(walls[*later]));
            if (afterRepeat[i])
                utc = m.later;
            else if (!beforeRepeat && m.later <= limit)
                utc = m.later;
        }
        if (later)
            utc = std::min(utc, out[*later]->utc);
        out[i] = ZonedTime{utc, zone.offsetAt(utc)};
        limit = utc;
        later = i;
        laterBeforeRepeat = beforeRepeat;
    }
    return out;
}

} // namespace textrules
