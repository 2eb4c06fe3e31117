#include "analysis/figures.h"

#include <algorithm>
#include <cmath>

namespace analysis {

namespace {

constexpr double kSecondsPerHour = 3600.0;
constexpr double kSecondsPerYear = 365.0 * 86400.0;
// A gap longer than this many sampling intervals is a pause, not a slow reading.
constexpr double kPauseIntervals = 3.0;

// The median step between the range's times; zero steps (two rows in one second) count, but a
// median of zero falls back to the least real step.
double medianStep(const Series& s, qsizetype from, qsizetype to) {
    if (to - from < 2)
        return 0.0;
    std::vector<double> steps(size_t(to - from - 1));
    for (qsizetype i = from; i + 1 < to; ++i)
        steps[size_t(i - from)] = s.seconds[size_t(i + 1)] - s.seconds[size_t(i)];
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
double medianOf(std::vector<float>& v) {
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
    f.durationSeconds = s.seconds[size_t(to - 1)] - s.seconds[size_t(from)];
    f.intervalSeconds = s.nominalStep > 0.0 ? s.nominalStep : medianStep(s, from, to);
    const double interval = f.intervalSeconds;
    const double toLux = s.footCandles() ? kLuxPerFootCandle : 1.0;
    const bool band = options.low && options.high;
    const double low = band ? std::min(*options.low, *options.high) : 0.0;
    const double high = band ? std::max(*options.low, *options.high) : 0.0;

    std::vector<float> valid;
    valid.reserve(size_t(f.rows));
    double sum = 0.0;
    double weighted = 0.0; // reading x held seconds, in the series' unit
    double heldValid = 0.0;
    double heldAll = 0.0;
    BandTimes times;
    std::vector<double> daily; // lux seconds per day index
    int firstDay = 0;
    int day = 0;
    if (options.ppfdPerLux) {
        firstDay = s.dayIndex(from);
        day = firstDay;
    }
    for (qsizetype i = from; i < to; ++i) {
        double held = interval;
        if (i + 1 < to) {
            const double gap = s.seconds[size_t(i + 1)] - s.seconds[size_t(i)];
            held = interval > 0.0 && gap > kPauseIntervals * interval ? interval : gap;
        }
        heldAll += held;
        const RowKind kind = s.kinds[size_t(i)];
        if (kind != RowKind::Valid) {
            f.overRange += kind == RowKind::OverRange;
            ++f.leftOutSlots;
            continue;
        }
        const double v = s.values[size_t(i)];
        valid.push_back(float(v));
        sum += v;
        if (!f.min || v < f.min->value)
            f.min = Extreme{v, i};
        if (!f.max || v > f.max->value)
            f.max = Extreme{v, i};
        weighted += v * held;
        heldValid += held;
        if (band)
            (v < low    ? times.belowSeconds
             : v > high ? times.aboveSeconds
                        : times.withinSeconds) += held;
        if (options.ppfdPerLux) {
            // A hold belongs to the day of its row.
            while (size_t(day) < s.dayStarts.size() &&
                   s.seconds[size_t(i)] >= s.dayStarts[size_t(day)])
                ++day;
            const size_t k = size_t(day - firstDay);
            if (daily.size() <= k)
                daily.resize(k + 1, -1.0);
            daily[k] = std::max(daily[k], 0.0) + v * toLux * held;
        }
    }
    f.valid = qsizetype(valid.size());
    if (f.valid == 0)
        return f;
    f.mean = sum / double(f.valid);
    if (f.valid > 1) {
        double squares = 0.0;
        for (float v : valid)
            squares += (v - *f.mean) * (v - *f.mean);
        f.stdev = std::sqrt(squares / double(f.valid - 1));
    }
    f.median = medianOf(valid);
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
    if (options.budgetLuxHours && heldAll > 0.0)
        f.projectedAnnualLuxHours = f.exposureLuxHours * kSecondsPerYear / heldAll;
    if (band)
        f.band = times;
    return f;
}

} // namespace analysis
