#pragma once

#include "text/light_units.h"

#include <QDateTime>
#include <QString>
#include <QStringView>

#include <optional>
#include <span>
#include <vector>

namespace analysis {

using textrules::kLuxPerFootCandle;

// What a row's reading text holds: a number, over range (an "L" as in "OL"), or neither.
enum class RowKind : quint8 { Valid, OverRange, Unreadable };

// A time stamp of a reading, DD-hh:nn:ss.
struct Stamp {
    int day = 0; // of the month, 1..31
    int secondOfDay = 0;
};
std::optional<Stamp> parseStamp(QStringView text);

// Days from one stamp's day to the next one's when no calendar is known: the same or a later
// day of this month, or the start of a new month of the least length that keeps time going
// forward.
int daysBetween(const Stamp& from, const Stamp& to);

// One row as the lists hold it: its time stamp and the reading as displayed.
struct RowText {
    QStringView stamp;
    QStringView reading;
};

// The readings of one record on one time axis, whatever held them: a list, a data file, the
// history of the real-time chart.
struct Series {
    QString unit; // "Fc" for foot-candles; anything else reads as lux
    // Each row's time in seconds from the first row's, never decreasing; empty when the rows
    // come one nominal step apart.
    std::vector<double> seconds;
    std::vector<float> values; // meaningful where the kind is Valid
    std::vector<RowKind> kinds;
    // The sampling interval the source knows (the chart's tick); 0 when only the stamps tell.
    double nominalStep = 0.0;
    // The calendar days the rows fall on: day k + 1 starts at dayStarts[k] (in the rows'
    // seconds), and dayNumbers[k] is day k's day of the month.
    std::vector<double> dayStarts;
    std::vector<int> dayNumbers;
    // Each row's date and time, where the calendar is known (else empty).
    std::vector<QDateTime> times;

    qsizetype size() const { return qsizetype(kinds.size()); }
    double time(qsizetype row) const {
        return seconds.empty() ? double(row) * nominalStep : seconds[size_t(row)];
    }
    bool footCandles() const { return unit == QLatin1String("Fc"); }
    // The day a row falls on, counted from the first row's (0).
    int dayIndex(qsizetype row) const;
};

// The kind of a reading text: valid when the leading-number rule finds a number and it holds no
// "L".
RowKind rowKind(QStringView reading, double* value);

// Rows of a list or data file. Without a reference time, consecutive stamps increase and a day
// number that goes down starts a new month, of the least length (31, 30, 29 or 28 days) that
// keeps time going forward. With one (the rows were recorded up to then: a live list, the
// logger's sets), each row gets its calendar date, the last on or before the reference and each
// earlier one before the next, and times follow the calendar. A row whose stamp cannot be read
// keeps the time of the row before it and counts as unreadable.
Series seriesFromRows(std::span<const RowText> rows, const QString& unit,
                      const std::optional<QDateTime>& reference = std::nullopt);

// The real-time chart's history: one reading every step seconds from start. A value at or
// above overRange (the display's overload value) is over range; a value that is not finite is
// unreadable.
Series seriesFromHistory(std::span<const float> values, const QString& unit, const QDateTime& start,
                         double step, float overRange);

// The calendar date and time of each stamp, walking backwards from reference: the last is the
// latest on or before it, each earlier one as many days before the next as the month rule
// gives. Nothing for a stamp that cannot be read.
std::vector<std::optional<QDateTime>> datesBackFrom(std::span<const std::optional<Stamp>> stamps,
                                                    const QDateTime& reference);

} // namespace analysis
