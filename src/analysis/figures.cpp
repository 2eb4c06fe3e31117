#include "analysis/figures.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <span>

namespace analysis {

namespace {

constexpr double kSecondsPerHour = 3600.0;
constexpr double kSecondsPerDay = 86400.0;
constexpr double kDaysPerYear = 365.0;
// A gap longer than this many sampling intervals is a pause, not a slow reading.
constexpr double kPauseIntervals = 3.0;

// The median step between the range's times; zero steps (two rows in one second) count, but a
// median of zero falls back to the least real step.
double medianStep(const Series& s, qsizetype from, qsizetype to) {
    if (to - from < 2)
        return 0.0;
    std::vector<double> steps(size_t(to - from - 1));
    for (qsizetype i = from; i + 1 < to; ++i)
        steps[size_t(i - from)] = s.time(i + 1) - s.time(i);
    auto middle = steps.begin() + qsizetype(steps.size() / 2);
    std::nth_element(steps.begin(), middle, steps.end());
    if (*middle > 0.0)
        return *middle;
    double least = 0.0;
    for (double step : steps)
        if (step > 0.0 && (least == 0.0 || step < least))
            least = step;
    return least;
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
    const double toLux = s.footCandles() ? kLuxPerFootCandle : 1.0;
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
    double heldAll = 0.0;
    double least = std::numeric_limits<double>::infinity();
    double most = -least;
    qsizetype leastRow = 0;
    qsizetype mostRow = 0;
    // Sums that every row adds to stay in registers: a sum kept in memory (a struct's field, a
    // vector's element) makes each row wait for the previous row's store.
    double below = 0.0;
    double within = 0.0;
    double above = 0.0;
    std::vector<double> daily; // lux seconds per day, from the range's first day; -1: no row
    const int firstDay = options.ppfdPerLux ? s.dayIndex(from) : 0;
    int day = firstDay;
    double dayDose = -1.0; // the current day's, until it ends
    const auto nextDayStart = [&s](int d) {
        return size_t(d) < s.dayStarts.size() ? s.dayStarts[size_t(d)]
                                              : std::numeric_limits<double>::infinity();
    };
    const auto endDay = [&] {
        daily.resize(size_t(day - firstDay) + 1, -1.0);
        daily.back() = dayDose;
        dayDose = -1.0;
    };
    double dayEnds = nextDayStart(day);
    const float* values = s.values.data();
    const RowKind* kinds = s.kinds.data();
    for (qsizetype i = from; i < to; ++i) {
        double held = interval;
        if (i + 1 < to) {
            const double gap = s.time(i + 1) - s.time(i);
            held = interval > 0.0 && gap > kPauseIntervals * interval ? interval : gap;
        }
        heldAll += held;
        const RowKind kind = kinds[i];
        if (kind != RowKind::Valid) {
            f.overRange += kind == RowKind::OverRange;
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
        if (options.ppfdPerLux) {
            // A hold belongs to the day of its row.
            if (s.time(i) >= dayEnds) {
                if (dayDose >= 0.0)
                    endDay();
                while (s.time(i) >= dayEnds)
                    dayEnds = nextDayStart(++day);
            }
            dayDose = std::max(dayDose, 0.0) + v * toLux * held;
        }
    }
    if (dayDose >= 0.0)
        endDay();
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
    if (options.ppfdPerLux)
        for (size_t k = 0; k < daily.size(); ++k)
            if (daily[k] >= 0.0)
                f.dailyIntegral.push_back(
                    {s.dayNumbers[size_t(firstDay) + k], daily[k] * *options.ppfdPerLux / 1e6});
    if (options.budgetLuxHours && *options.budgetLuxHours > 0.0)
        f.budgetShare = f.exposureLuxHours / *options.budgetLuxHours;
    // The record's average daily dose, a year of days long; a record of less than a day is
    // taken as that day's dose (a showcase lit for the hours measured).
    if (options.budgetLuxHours)
        f.projectedAnnualLuxHours =
            f.exposureLuxHours * kDaysPerYear / std::max(1.0, heldAll / kSecondsPerDay);
    if (band)
        f.band = BandTimes{below, within, above};
    return f;
}

} // namespace analysis
