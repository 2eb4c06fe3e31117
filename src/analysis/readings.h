#pragma once

#include "analysis/csv_export.h"
#include "analysis/reading_series.h"

#include <QDateTime>
#include <QString>
#include <QTimeZone>

#include <optional>
#include <span>
#include <vector>

namespace analysis {

// Where a list's calendar comes from: rows recorded up to a moment (the live list, the logger's
// sets) are dated from it; a file opened from disk is dated from its modification time, a guess
// the export says it makes, so its figures name rows by their own stamps.
enum class Calendar { RecordedUpTo, FileModified };

// A record of readings as the windows hand it round: the series its figures come from, what
// names its rows' times, and what an export writes. It keeps the rows as they came and works
// out the series the first time it is asked for: a plot or a snapshot is shown at once, and
// only a window that shows figures waits for them.
class Readings {
public:
    Readings() = default;

    // A list's rows (the stamps and readings share the list's strings, so this copies no text),
    // dated from reference in zone.
    static Readings fromRows(std::vector<QString> stamps, std::vector<QString> readings,
                             const QString& unit, Calendar calendar, const QDateTime& reference,
                             const QTimeZone& zone = QTimeZone::systemTimeZone());
    // The real-time chart's history: a reading every step seconds from start, over range at
    // and above overRange.
    static Readings fromHistory(std::span<const float> values, const QString& unit,
                                const QDateTime& start, double step, float overRange,
                                const QTimeZone& zone = QTimeZone::systemTimeZone());

    qsizetype size() const;
    const QString& unit() const { return unit_; }
    const Series& series() const;
    // The rows as listed; empty for the chart's history.
    const std::vector<QString>& stamps() const { return stamps_; }
    const std::vector<QString>& readings() const { return readings_; }
    bool datesFromFileTime() const { return calendar_ == Calendar::FileModified; }
    const QTimeZone& zone() const { return zone_; }
    // The calendar time of a row, where it is known.
    std::optional<textrules::ZonedTime> rowTime(qsizetype row) const;
    // The chart history's row as a millisecond since the epoch.
    qint64 historyMillisecond(qsizetype row) const;

private:
    void build() const;

    QString unit_;
    std::vector<QString> stamps_;
    std::vector<QString> readings_;
    Calendar calendar_ = Calendar::RecordedUpTo;
    QDateTime reference_;
    QTimeZone zone_;
    std::vector<float> history_;
    double step_ = 0.0;
    float overRange_ = 0.0f;
    bool fromHistory_ = false;

    mutable std::optional<Series> series_;
    mutable std::vector<std::optional<textrules::ZonedTime>> dated_;
};

// A row's time as the figures name it: "2026-12-08 14:22:45" where the calendar is known, a
// file's row by its own stamp ("08-14:22:45").
QString rowTimeText(const Readings& r, qsizetype row);

// The calendar time of the first row where one is known, at its offset from UTC.
std::optional<QDateTime> firstRowTime(const Readings& r);

// The rows of a CSV export.
std::vector<CsvRow> exportRows(const Readings& r);

} // namespace analysis
