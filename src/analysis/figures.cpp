#include "analysis/figures.h"

#include "analysis/dose_rule.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <span>

namespace analysis {

namespace {

constexpr double kDaysPerYear = 365.0;
// A day is whole when its rows hold for all of it but floating-point dust.
constexpr double kWholeDaySlack = 0.5;

// The median step between the range's times; zero steps (two rows in one second) count, but a
// median of zero falls back to the least real step.
double medianStep(const Series& s, qsizetype from, qsizetype to) {
    if (to - from < 2)
        return 0.0;
    std::vector<double> steps(size_t(to - from - 1));
    for (qsizetype i = from; i + 1 < to; ++i)
        steps[size_t(i - from)] = s.time(i + 1) - s.time(i);
    auto middle = steps.begin() + medianStepIndex(qsizetype(steps.size()));
    std::nth_element(steps.begin(), middle, steps.end());
    double least = 0.0;
    if (*middle <= 0.0)
        for (double step : steps)
            if (step > 0.0 && (least == 0.0 || step < least))
                least = step;
    return samplingInterval(*middle, least);
}

double dayStart(const Series& s, int day) {
    return size_t(day) < s.days.size() ? s.days[size_t(day)].start
                                       : std::numeric_limits<double>::infinity();
}

// The figures of each day the rows [from, to) hold in, a hold across midnight split between
// the days. A pass of its own: kept in the loop of the other figures, its sums would crowd
// theirs out of the registers.
std::vector<DayFigures> dayFigures(const Series& s, qsizetype from, qsizetype to, double interval,
                                   double toLux) {
    std::vector<DayFigures> days;
    int day = s.dayIndex(from);
    double dayEnds = dayStart(s, day + 1);
    double lux = 0.0, valid = 0.0, lit = 0.0, covered = 0.0;
    for (qsizetype i = from; i < to; ++i) {
        double t = s.time(i);
        double left = i + 1 < to ? heldSeconds(s.time(i + 1) - t, interval) : interval;
        const bool isValid = s.kinds[size_t(i)] == ReadingKind::Valid;
        const double v = isValid ? double(s.values[size_t(i)]) : 0.0;
        for (;;) {
            const bool ends = t >= dayEnds || t + left > dayEnds;
            const double part = ends ? std::clamp(dayEnds - t, 0.0, left) : left;
            covered += part;
            if (isValid) {
                lux += v * toLux * part;
                valid += part;
                lit += v > 0.0 ? part : 0.0;
            }
            if (!ends)
                break;
            t += part;
            left -= part;
            if (covered > 0.0)
                days.push_back({s.days[size_t(day)].date, lux, valid, lit, covered, false});
            lux = valid = lit = covered = 0.0;
            dayEnds = dayStart(s, ++day + 1);
        }
    }
    if (covered > 0.0)
        days.push_back({s.days[size_t(day)].date, lux, valid, lit, covered, false});
    return days;
}

// The median of the values, reordering them.
double medianOf(std::span<float> v) {
    const size_t half = v.size() / 2;
    std::nth_element(v.begin(), v.begin() + qsizetype(half), v.end());
    const double upper = v[half];
    if (v.size() % 2 == 1)
        return upper;
    const double lower = *std::max_element(v.begin(), v.begin() + qsizetype(half));
    return (lower + upper) / 2.0;
}

} // namespace

std::optional<double> lightSourceFactor(QStringView name) {
    for (const LightSource& source : kLightSources)
        if (name == QLatin1String(source.name))
            return source.ppfdPerLux;
    return std::nullopt;
}

std::vector<MonthFigures> monthFigures(const std::vector<DayFigures>& days) {
    std::vector<MonthFigures> months;
    for (const DayFigures& d : days) {
        if (months.empty() || months.back().year != d.date.year() ||
            months.back().month != d.date.month())
            months.push_back({d.date.year(), d.date.month()});
        MonthFigures& m = months.back();
        m.luxSeconds += d.luxSeconds;
        m.validSeconds += d.validSeconds;
        m.litSeconds += d.litSeconds;
        m.days += d.validSeconds > 0.0;
    }
    return months;
}

Figures computeFigures(const Series& series, const FigureOptions& options) {
    return computeFigures(series, 0, series.size(), options);
}

Figures computeFigures(const Series& s, qsizetype from, qsizetype to,
                       const FigureOptions& options) {
    Figures f;
    from = std::clamp<qsizetype>(from, 0, s.size());
    to = std::clamp<qsizetype>(to, from, s.size());
    f.rows = to - from;
    if (f.rows == 0)
        return f;
    f.firstRow = from;
    f.lastRow = to - 1;
    f.durationSeconds = s.time(to - 1) - s.time(from);
    f.intervalSeconds = s.nominalStep > 0.0 ? s.nominalStep : medianStep(s, from, to);
    const double interval = f.intervalSeconds;
    const double toLux = s.footCandles() ? kExactLuxPerFootCandle : 1.0;
    const bool band = options.low && options.high;
    const double low = band ? std::min(*options.low, *options.high) : 0.0;
    const double high = band ? std::max(*options.low, *options.high) : 0.0;

    // The valid readings, for the median and the deviation; kept from call to call, so a panel
    // that follows a zoom does not fault fresh pages in each time.
    thread_local std::vector<float> valid;
    if (valid.size() < size_t(f.rows))
        valid.resize(size_t(f.rows));
    size_t validCount = 0;
    double sum = 0.0;
    double weighted = 0.0; // reading x held seconds, in the series' unit
    double heldValid = 0.0;
    double least = std::numeric_limits<double>::infinity();
    double most = -least;
    qsizetype leastRow = 0;
    qsizetype mostRow = 0;
    // Sums that every row adds to stay in registers: a sum kept in memory (a struct's field, a
    // vector's element) makes each row wait for the previous row's store.
    double below = 0.0;
    double within = 0.0;
    double above = 0.0;
    const float* values = s.values.data();
    const ReadingKind* kinds = s.kinds.data();
    for (qsizetype i = from; i < to; ++i) {
        double held = interval;
        if (i + 1 < to)
            held = heldSeconds(s.time(i + 1) - s.time(i), interval);
        const ReadingKind kind = kinds[i];
        if (kind != ReadingKind::Valid) {
            f.overRange += kind == ReadingKind::OverRange;
            ++f.leftOutSlots;
            continue;
        }
        const double v = values[i];
        valid[validCount++] = values[i];
        sum += v;
        if (v < least) {
            least = v;
            leastRow = i;
        }
        if (v > most) {
            most = v;
            mostRow = i;
        }
        weighted += v * held;
        heldValid += held;
        if (band) {
            below += v < low ? held : 0.0;
            above += v > high ? held : 0.0;
            within += v >= low && v <= high ? held : 0.0;
        }
    }
    const bool byDay =
        !s.days.empty() && (options.ppfdPerLux || options.budgetLuxHours || options.days);
    if (byDay)
        f.days = dayFigures(s, from, to, interval, toLux);
    if (validCount > 0) {
        f.min = Extreme{least, leastRow};
        f.max = Extreme{most, mostRow};
    }
    f.valid = qsizetype(validCount);
    if (f.valid == 0)
        return f;
    const std::span<float> readings(valid.data(), validCount);
    f.mean = sum / double(f.valid);
    if (f.valid > 1) {
        double squares = 0.0;
        for (float v : readings)
            squares += (v - *f.mean) * (v - *f.mean);
        f.stdev = std::sqrt(squares / double(f.valid - 1));
    }
    f.median = medianOf(readings);
    if (heldValid > 0.0)
        f.timeWeightedMean = weighted / heldValid;
    f.exposureLuxHours = weighted * toLux / kSecondsPerHour;
    if (s.footCandles())
        f.exposureFootCandleHours = weighted / kSecondsPerHour;
    // A day is whole when the rows cover it from its start to its end.
    double wholeDose = 0.0;
    for (DayFigures& d : f.days) {
        const qsizetype k = qsizetype(d.date.toJulianDay() - s.days.front().date.toJulianDay());
        const double length = dayStart(s, int(k) + 1) - dayStart(s, int(k));
        d.whole = d.coveredSeconds >= length - kWholeDaySlack;
        if (d.whole) {
            wholeDose += d.luxHours();
            ++f.projectionDays;
        }
        if (options.ppfdPerLux && d.validSeconds > 0.0)
            f.dailyIntegral.push_back({d.date, d.luxSeconds * *options.ppfdPerLux / 1e6});
    }
    if (options.budgetLuxHours && *options.budgetLuxHours > 0.0)
        f.budgetShare = f.exposureLuxHours / *options.budgetLuxHours;
    if (f.projectionDays > 0)
        f.projectedAnnualLuxHours = wholeDose / f.projectionDays * kDaysPerYear;
    if (band)
        f.band = BandTimes{below, within, above};
    return f;
}

} // namespace analysis
