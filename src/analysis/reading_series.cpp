#include "analysis/reading_series.h"

#include <algorithm>
#include <cmath>

namespace analysis {

namespace {

using textrules::kSecondsPerDay;

// Days past the last row that the calendar reaches, for the last row's hold.
constexpr int kDaysAfterLast = 4;

// The local days from the one holding second 0 (at startUtc) to a few past the last row.
void calendarDays(Series& s, double startUtc, textrules::ZoneRules& zone) {
    const double last = s.size() == 0 ? 0.0 : s.time(s.size() - 1);
    const qint64 first = textrules::wallDay(zone.wallOf(qint64(std::floor(startUtc))));
    const qint64 end = qint64(std::floor(startUtc + last)) + kDaysAfterLast * kSecondsPerDay;
    for (qint64 day = first;; ++day) {
        const qint64 begins = zone.dayStart(day);
        if (day > first && begins > end)
            break;
        s.days.push_back({textrules::dateOfWallDay(day), double(begins) - startUtc});
    }
}

std::pair<ReadingKind, float> kindOf(QStringView reading) {
    const textrules::ReadingNumber r = textrules::readingNumber(reading);
    return {r.kind, float(r.value)};
}

} // namespace

int daysBetween(const textrules::Stamp& from, const textrules::Stamp& to) {
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
    const auto after = std::upper_bound(days.begin(), days.end(), time(row),
                                        [](double t, const SeriesDay& d) { return t < d.start; });
    return std::max(int(after - days.begin()) - 1, 0);
}

Series timedSeries(const QString& unit, std::span<const qint64> utc, std::vector<float> values,
                   std::vector<ReadingKind> kinds, textrules::ZoneRules& zone) {
    Series s;
    s.unit = unit;
    s.values = std::move(values);
    s.kinds = std::move(kinds);
    const size_t n = utc.size();
    s.seconds.resize(n);
    const auto firstDated =
        std::find_if(utc.begin(), utc.end(), [](qint64 t) { return t != kUndated; });
    const qint64 start = firstDated == utc.end() ? 0 : *firstDated;
    // A row without a moment takes the next one's; after the last dated row, the last one's.
    std::optional<qint64> next;
    for (size_t i = n; i-- > 0;) {
        if (utc[i] != kUndated)
            next = utc[i];
        else
            s.kinds[i] = ReadingKind::NotAReading;
        s.seconds[i] = next ? double(*next - start) : -1.0;
    }
    double previous = 0.0;
    for (size_t i = 0; i < n; ++i) {
        if (s.seconds[i] < 0.0)
            s.seconds[i] = previous;
        previous = s.seconds[i];
    }
    calendarDays(s, double(start), zone);
    return s;
}

std::vector<std::optional<textrules::ZonedTime>>
datedRows(std::span<const RowText> rows, const QDateTime& reference, const QTimeZone& zone) {
    std::vector<std::optional<textrules::Stamp>> stamps(rows.size());
    for (size_t i = 0; i < rows.size(); ++i)
        stamps[i] = textrules::parseStamp(rows[i].stamp);
    textrules::ZoneRules rules(zone);
    return textrules::dateStamps(stamps, reference.toSecsSinceEpoch(), rules);
}

Series seriesFromRows(std::span<const RowText> rows, const QString& unit,
                      const QDateTime& reference, const QTimeZone& zone) {
    const std::vector<std::optional<textrules::ZonedTime>> dated = datedRows(rows, reference, zone);
    std::vector<qint64> utc(rows.size());
    std::vector<float> values(rows.size());
    std::vector<ReadingKind> kinds(rows.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        utc[i] = dated[i] ? dated[i]->utc : kUndated;
        std::tie(kinds[i], values[i]) = kindOf(rows[i].reading);
    }
    textrules::ZoneRules rules(zone);
    return timedSeries(unit, utc, std::move(values), std::move(kinds), rules);
}

Series seriesFromHistory(std::span<const float> values, const QString& unit, const QDateTime& start,
                         double step, float overRange, const QTimeZone& zone) {
    Series s;
    s.unit = unit;
    s.nominalStep = step;
    const size_t n = values.size();
    s.values.assign(values.begin(), values.end());
    s.kinds.resize(n);
    for (size_t i = 0; i < n; ++i) {
        const float v = values[i];
        s.kinds[i] = !std::isfinite(v) ? ReadingKind::NotAReading
                     : v >= overRange  ? ReadingKind::OverRange
                                       : ReadingKind::Valid;
    }
    textrules::ZoneRules rules(zone);
    calendarDays(s, double(start.toMSecsSinceEpoch()) / 1000.0, rules);
    return s;
}

} // namespace analysis
