#include "analysis/reading_series.h"

#include "text/leading_value.h"

#include <algorithm>
#include <cmath>

namespace analysis {

namespace {

constexpr int kSecondsPerDay = 86400;
// How far back a stamp's day of the month is looked for: a year of months is plenty.
constexpr int kMonthsBack = 13;

int twoDigits(QStringView text, qsizetype at) {
    const QChar a = text[at];
    const QChar b = text[at + 1];
    if (!a.isDigit() || !b.isDigit() || a.unicode() > u'9' || b.unicode() > u'9')
        return -1;
    return (a.unicode() - u'0') * 10 + (b.unicode() - u'0');
}

// Calendar days from the first row's date on, as far as the last row's time.
void calendarDays(Series& s, const QDateTime& first) {
    const double last = s.size() == 0 ? 0.0 : s.time(s.size() - 1);
    s.dayNumbers = {first.date().day()};
    for (QDate day = first.date().addDays(1);; day = day.addDays(1)) {
        const double start = double(first.secsTo(QDateTime(day, QTime(0, 0))));
        if (start > last)
            break;
        s.dayStarts.push_back(start);
        s.dayNumbers.push_back(day.day());
    }
}

// The latest moment on or before `limit` that falls on this day of the month at this time.
std::optional<QDateTime> latestOnOrBefore(const Stamp& stamp, const QDateTime& limit) {
    QDate month(limit.date().year(), limit.date().month(), 1);
    const QTime time = QTime(0, 0).addSecs(stamp.secondOfDay);
    for (int back = 0; back < kMonthsBack; ++back, month = month.addMonths(-1)) {
        if (stamp.day > month.daysInMonth())
            continue;
        const QDateTime candidate(QDate(month.year(), month.month(), stamp.day), time);
        if (candidate <= limit)
            return candidate;
    }
    return std::nullopt;
}

} // namespace

std::optional<Stamp> parseStamp(QStringView text) {
    if (text.size() != 11 || text[2] != u'-' || text[5] != u':' || text[8] != u':')
        return std::nullopt;
    const int day = twoDigits(text, 0);
    const int hour = twoDigits(text, 3);
    const int minute = twoDigits(text, 6);
    const int second = twoDigits(text, 9);
    if (day < 1 || day > 31 || hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 ||
        second > 59)
        return std::nullopt;
    return Stamp{day, hour * 3600 + minute * 60 + second};
}

RowKind rowKind(QStringView reading, double* value) {
    if (reading.contains(u'L'))
        return RowKind::OverRange;
    const std::optional<double> v = textrules::leadingNumber(reading);
    if (!v || !std::isfinite(*v))
        return RowKind::Unreadable;
    *value = *v;
    return RowKind::Valid;
}

int daysBetween(const Stamp& from, const Stamp& to) {
    if (to.day > from.day || (to.day == from.day && to.secondOfDay >= from.secondOfDay))
        return to.day - from.day;
    for (int length : {28, 29, 30, 31}) {
        const int days = length - from.day + to.day;
        if (days > 0 || (days == 0 && to.secondOfDay >= from.secondOfDay))
            return days;
    }
    return 31 - from.day + to.day;
}

int Series::dayIndex(qsizetype row) const {
    return int(std::upper_bound(dayStarts.begin(), dayStarts.end(), time(row)) - dayStarts.begin());
}

Series seriesFromRows(std::span<const RowText> rows, const QString& unit,
                      const std::optional<QDateTime>& reference) {
    Series s;
    s.unit = unit;
    const size_t n = rows.size();
    s.seconds.reserve(n);
    s.values.reserve(n);
    s.kinds.reserve(n);
    std::vector<std::optional<Stamp>> stamps(n);
    for (size_t i = 0; i < n; ++i)
        stamps[i] = parseStamp(rows[i].stamp);

    std::vector<std::optional<QDateTime>> dates;
    if (reference)
        dates = datesBackFrom(stamps, *reference);
    std::optional<QDateTime> firstDate;
    std::optional<Stamp> first;
    std::optional<Stamp> previous;
    double previousSeconds = 0.0;
    int dayCount = 0;
    std::vector<bool> timed;
    timed.reserve(n);
    for (size_t i = 0; i < n; ++i) {
        double value = 0.0;
        RowKind kind = rowKind(rows[i].reading, &value);
        double t = previousSeconds;
        if (!stamps[i] || (reference && !dates[i])) {
            kind = RowKind::Unreadable;
        } else if (reference) {
            if (!firstDate)
                firstDate = dates[i];
            t = double(firstDate->secsTo(*dates[i]));
        } else {
            if (!first) {
                first = stamps[i];
                s.dayNumbers = {first->day};
            } else {
                const int days = daysBetween(*previous, *stamps[i]);
                // The days between count on from the last one seen, as a month without its
                // length known would.
                for (int d = 1; d <= days; ++d) {
                    s.dayStarts.push_back(double(dayCount + d) * kSecondsPerDay -
                                          first->secondOfDay);
                    s.dayNumbers.push_back(d == days ? stamps[i]->day
                                                     : s.dayNumbers.back() % 31 + 1);
                }
                dayCount += days;
            }
            t = double(dayCount) * kSecondsPerDay + stamps[i]->secondOfDay - first->secondOfDay;
            previous = stamps[i];
        }
        t = std::max(t, previousSeconds);
        previousSeconds = t;
        timed.push_back(kind != RowKind::Unreadable || (stamps[i] && (!reference || dates[i])));
        s.seconds.push_back(t);
        s.values.push_back(float(value));
        s.kinds.push_back(kind);
    }
    // A row without a time of its own takes the next known one, so the row before it holds
    // until then.
    std::optional<double> next;
    for (size_t i = n; i-- > 0;) {
        if (timed[i])
            next = s.seconds[i];
        else if (next)
            s.seconds[i] = *next;
    }
    if (reference) {
        if (firstDate)
            calendarDays(s, *firstDate);
        s.times.reserve(n);
        for (const auto& d : dates)
            s.times.push_back(d.value_or(QDateTime()));
    }
    return s;
}

Series seriesFromHistory(std::span<const float> values, const QString& unit, const QDateTime& start,
                         double step, float overRange) {
    Series s;
    s.unit = unit;
    s.nominalStep = step;
    const size_t n = values.size();
    s.values.assign(values.begin(), values.end());
    s.kinds.resize(n);
    for (size_t i = 0; i < n; ++i) {
        const float v = values[i];
        s.kinds[i] = !std::isfinite(v) ? RowKind::Unreadable
                     : v >= overRange  ? RowKind::OverRange
                                       : RowKind::Valid;
    }
    calendarDays(s, start);
    return s;
}

std::vector<std::optional<QDateTime>> datesBackFrom(std::span<const std::optional<Stamp>> stamps,
                                                    const QDateTime& reference) {
    std::vector<std::optional<QDateTime>> dates(stamps.size());
    // The last row falls on the latest matching day; each earlier one is as many days before
    // the next as the month rule says. The meter's own clock knows no months (its day runs to
    // 31 in any month), so the calendar's month lengths would turn 31 -> 01 into a month.
    std::optional<size_t> next;
    for (size_t i = stamps.size(); i-- > 0;) {
        if (!stamps[i])
            continue;
        if (!next) {
            dates[i] = latestOnOrBefore(*stamps[i], reference);
        } else {
            const int days = daysBetween(*stamps[i], *stamps[*next]);
            dates[i] = QDateTime(dates[*next]->date().addDays(-days),
                                 QTime(0, 0).addSecs(stamps[i]->secondOfDay));
        }
        if (!dates[i])
            return dates;
        next = i;
    }
    return dates;
}

} // namespace analysis
