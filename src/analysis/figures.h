#pragma once

#include "analysis/reading_series.h"

#include <QDate>
#include <QString>

#include <optional>
#include <vector>

namespace analysis {

// Lux to photosynthetic photon flux density (µmol m⁻² s⁻¹ per lux) of common lamps; the factor
// depends on the lamp's spectrum, so white LEDs and anything else take a factor of their own.
struct LightSource {
    const char* name;  // as the command line takes it
    const char* label; // as a window shows it
    double ppfdPerLux;
};
inline constexpr LightSource kLightSources[] = {
    {"sunlight", "Sunlight", 0.0185},
    {"fluorescent", "Cool-white fluorescent", 0.0135},
    {"hps", "High-pressure sodium", 0.0122},
    {"metal-halide", "Metal halide", 0.0141},
    {"cmh", "Ceramic metal halide, 4200 K", 0.0154},
};
std::optional<double> lightSourceFactor(QStringView name);

// Annual light dose budgets of museum objects, in lux-hours.
struct DoseBudget {
    const char* label;
    double luxHours;
};
inline constexpr DoseBudget kDoseBudgets[] = {
    {"High responsivity", 15000.0},
    {"Medium responsivity", 150000.0},
    {"Low responsivity", 600000.0},
};

// What to work out beyond the plain figures.
struct FigureOptions {
    std::optional<double> ppfdPerLux;     // the daily light integral, with this light source
    std::optional<double> budgetLuxHours; // the share of an annual dose budget
    std::optional<double> low, high;      // the time below, within and above this band
    bool days = false;                    // the figures of each day, and the year projected
};

struct Extreme {
    double value = 0.0;
    qsizetype row = 0;
};

struct DailyIntegral {
    QDate date;
    double molPerM2 = 0.0;
};

// One local calendar day of the range: its dose, the time its readings held, and whether the
// rows cover it from midnight to midnight without a pause (a whole day).
struct DayFigures {
    QDate date;
    double luxSeconds = 0.0;
    double validSeconds = 0.0;   // held by valid readings
    double litSeconds = 0.0;     // held by readings above 0
    double coveredSeconds = 0.0; // held by any row, valid or not
    bool whole = false;
    double luxHours() const { return luxSeconds / 3600.0; }
    // The time-weighted mean in lux; none without a valid reading that day.
    std::optional<double> meanLux() const {
        return validSeconds > 0.0 ? std::optional<double>(luxSeconds / validSeconds) : std::nullopt;
    }
};

struct BandTimes {
    double belowSeconds = 0.0;
    double withinSeconds = 0.0;
    double aboveSeconds = 0.0;
};

// The figures of the rows [from, to) of a series. Readings are in the series' unit; doses in
// lux. Readings hold by the dose rule (dose_rule.h); an over-range row's slot, or one that is
// not a reading, is left out of every sum. A hold across midnight is split between the days.
struct Figures {
    qsizetype rows = 0;
    qsizetype valid = 0;
    qsizetype overRange = 0;
    qsizetype firstRow = -1; // rows of the range's first and last time
    qsizetype lastRow = -1;
    double durationSeconds = 0.0;
    // The sampling interval: the series' own, or the median step between its times.
    double intervalSeconds = 0.0;
    // None of these without a valid reading; no deviation with fewer than two, no time-weighted
    // mean without held time.
    std::optional<Extreme> min, max;
    std::optional<double> mean, median, stdev, timeWeightedMean;
    double exposureLuxHours = 0.0;
    std::optional<double> exposureFootCandleHours; // foot-candle data only
    qsizetype leftOutSlots = 0;
    std::vector<DailyIntegral> dailyIntegral; // with a light source chosen, days with a dose
    std::vector<DayFigures> days;             // with a light source, a budget or the days asked for
    std::optional<double> budgetShare;        // of the annual budget, with one chosen
    // A year at this rate: the mean dose of the whole days times 365, from at least one.
    std::optional<double> projectedAnnualLuxHours;
    int projectionDays = 0;        // the whole days it rests on
    std::optional<BandTimes> band; // with both limits given
};

// A calendar month of a record's days.
struct MonthFigures {
    int year = 0;
    int month = 0;
    double luxSeconds = 0.0;
    double validSeconds = 0.0;
    double litSeconds = 0.0;
    int days = 0; // with a valid reading
    double luxHours() const { return luxSeconds / 3600.0; }
    std::optional<double> meanLux() const {
        return validSeconds > 0.0 ? std::optional<double>(luxSeconds / validSeconds) : std::nullopt;
    }
};
std::vector<MonthFigures> monthFigures(const std::vector<DayFigures>& days);

Figures computeFigures(const Series& series, const FigureOptions& options = {});
Figures computeFigures(const Series& series, qsizetype from, qsizetype to,
                       const FigureOptions& options = {});

} // namespace analysis
