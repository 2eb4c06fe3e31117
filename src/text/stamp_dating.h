#pragma once

#include "text/time_stamp.h"

#include <QTimeZone>

#include <limits>
#include <optional>
#include <span>
#include <vector>

namespace textrules {

// Wall-clock seconds: a local date and time counted from 1970-01-01 00:00 as if the clock had
// never been put forward or back. Day d of this count begins at d x 86400.
inline constexpr qint64 kSecondsPerDay = 86400;
qint64 wallDay(qint64 wall); // the day a wall time falls on, rounding down
QDate dateOfWallDay(qint64 day);
qint64 wallDayOf(const QDate& date);

// A time zone's rules as dating needs them: the offset from UTC at a moment, and the stretches
// of wall-clock time that a change of the clocks skips or shows twice. It asks the zone for a
// few years of changes at a time and keeps them, since the rows of a file ask thousands of
// times about the same few.
class ZoneRules {
public:
    explicit ZoneRules(const QTimeZone& zone);

    int offsetAt(qint64 utc);
    qint64 wallOf(qint64 utc) { return utc + offsetAt(utc); }

    // The moments a wall time stands for: one; two in the hour shown twice when clocks go back
    // (earlier, later); none where clocks going forward skip it, and then `earlier` is where the
    // clock from before the change would have shown it.
    struct Moments {
        int count = 0;
        qint64 earlier = 0;
        qint64 later = 0;
    };
    Moments momentsOf(qint64 wall);
    // The wall-clock time at which the stretch shown twice around `wall` begins, where it
    // falls in one.
    std::optional<qint64> repeatedFrom(qint64 wall);
    // The first moment of a local day.
    qint64 dayStart(qint64 day) { return momentsOf(day * kSecondsPerDay).earlier; }

private:
    struct Interval {
        qint64 from, to; // [from, to) in UTC
        int offset;
    };
    void cover(qint64 utc);
    Interval interval(qsizetype k) const;
    qsizetype intervalAt(qint64 utc) const; // -1 before the first change

    QTimeZone zone_;
    bool fixed_ = true;
    int fixedOffset_ = 0;
    std::vector<qint64> changes_;   // the moments the offset changes, in order
    std::vector<int> offsetsAfter_; // the offset from each change on
    int offsetBefore_ = 0;          // before the first change
    qint64 from_ = 0, to_ = 0;      // the span whose changes are known
    // The last wall-clock stretch known to stand for one moment each, with its offset.
    qint64 plainFrom_ = 1, plainTo_ = 0;
    int plainOffset_ = 0;
};

// Dates the rows of a record whose stamps hold only the day of the month and the wall-clock
// time (DD-hh:nn:ss), from a reference: the time the record was last written (a file's
// modification time, or now for a list recorded up to now).
//
// The last row falls on the latest day, on or before the reference's, with its day of the
// month. Walking back, each row falls on the latest day, on or before the next row's, with its
// day of the month and its time no later than the next row's; a step from day 31, 30, 29 or 28
// to 01 is therefore as long as the month left says. On the day clocks go back, a step back
// of less than the hour shown twice is that hour repeated, once a day, not a month. The steps
// are then taken in real time by the zone's rules: the rows before the repeated hour's step
// are its first showing and the rows after it the second, a run in that hour without the step
// is the later showing that keeps its order (the last row: that is not after the reference), a
// step over the hour clocks skip is as long as it really was. Nothing for a row without a
// stamp.
struct ZonedTime {
    qint64 utc = 0; // seconds since the epoch
    int offset = 0; // from UTC, at that moment
};
std::vector<std::optional<ZonedTime>> dateStamps(std::span<const std::optional<Stamp>> stamps,
                                                 qint64 referenceUtc, ZoneRules& zone);

} // namespace textrules
