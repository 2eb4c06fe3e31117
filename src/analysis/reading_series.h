#pragma once

#include "text/leading_value.h"
#include "text/light_units.h"
#include "text/stamp_dating.h"

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringView>
#include <QTimeZone>

#include <limits>
#include <optional>
#include <span>
#include <vector>

namespace analysis {

using textrules::kExactLuxPerFootCandle;
using textrules::ReadingKind;

// Days from one stamp's day to the next one's when no calendar is known: the same or a later
// day of this month, or the start of a new month of the least length that keeps time going
// forward.
int daysBetween(const textrules::Stamp& from, const textrules::Stamp& to);

// One row as the lists hold it: its time stamp and the reading as displayed.
struct RowText {
    QStringView stamp;
    QStringView reading;
};

// A local calendar day of a series: its date and the series' second it begins at.
struct SeriesDay {
    QDate date;
    double start = 0.0;
};

// The readings of one record on one time axis, whatever held them: a list, data files, the
// history of the real-time chart.
struct Series {
    QString unit; // "Fc" for foot-candles; anything else reads as lux
    // Each row's time in seconds from the first row's, never decreasing; empty when the rows
    // come one nominal step apart.
    std::vector<double> seconds;
    std::vector<float> values; // meaningful where the kind is Valid
    std::vector<ReadingKind> kinds;
    // The sampling interval the source knows (the chart's tick); 0 when only the times tell.
    double nominalStep = 0.0;
    // The local days from the first row's on, a few past the last row's so that its hold can
    // be split at midnight; days[0] begins at or before second 0.
    std::vector<SeriesDay> days;

    qsizetype size() const { return qsizetype(kinds.size()); }
    double time(qsizetype row) const {
        return seconds.empty() ? double(row) * nominalStep : seconds[size_t(row)];
    }
    bool footCandles() const { return unit == QLatin1String("Fc"); }
    // The day a row falls on.
    int dayIndex(qsizetype row) const;
};

// A row whose moment is not known.
inline constexpr qint64 kUndated = std::numeric_limits<qint64>::min();

// Rows with their moments (seconds since the epoch, kUndated where not known, never decreasing
// otherwise), on the calendar of a zone. A row without a moment takes the next row's and counts
// as not a reading, so the row before it holds until then.
Series timedSeries(const QString& unit, std::span<const qint64> utc, std::vector<float> values,
                   std::vector<ReadingKind> kinds, textrules::ZoneRules& zone);

// The rows of a list or data file, dated by the dating rule from reference (the time they were
// recorded up to, or the file's modification time) in a zone.
Series seriesFromRows(std::span<const RowText> rows, const QString& unit,
                      const QDateTime& reference, const QTimeZone& zone);
// Each row's moment by the same rule, nothing where the stamp cannot be read.
std::vector<std::optional<textrules::ZonedTime>>
datedRows(std::span<const RowText> rows, const QDateTime& reference, const QTimeZone& zone);

// The real-time chart's history: one reading every step seconds from start. A value at or
// above overRange (the display's overload value) is over range; a value that is not finite is
// not a reading.
Series seriesFromHistory(std::span<const float> values, const QString& unit, const QDateTime& start,
                         double step, float overRange,
                         const QTimeZone& zone = QTimeZone::systemTimeZone());

} // namespace analysis
