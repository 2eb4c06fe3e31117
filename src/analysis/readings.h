#pragma once

#include "analysis/csv_export.h"
#include "analysis/reading_series.h"

#include <QDateTime>
#include <QString>

#include <optional>
#include <span>
#include <vector>

namespace analysis {

// Where a list's calendar comes from: rows recorded up to a moment (the live list, the logger's
// sets) have their dates; a file opened from disk has only its stamps, which an export dates
// back from the file's modification time.
enum class Calendar { RecordedUpTo, FileModified };

// A record of readings as the windows hand it round: the series its figures come from, what
// names its rows' times, and what an export writes. It keeps the rows as they came and works
// out the series the first time it is asked for: a plot or a snapshot is shown at once, and
// only a window that shows figures waits for them.
class Readings {
public:
    Readings() = default;

    // A list's rows (the stamps and readings share the list's strings, so this copies no text).
    static Readings fromRows(std::vector<QString> stamps, std::vector<QString> readings,
                             const QString& unit, Calendar calendar, const QDateTime& reference);
    // The real-time chart's history: a reading every step seconds from start, over range at
    // and above overRange.
    static Readings fromHistory(std::span<const float> values, const QString& unit,
                                const QDateTime& start, double step, float overRange);

    qsizetype size() const;
    const QString& unit() const { return unit_; }
    const Series& series() const;
    // The calendar time of the series' second 0, where it is known; otherwise the first
    // stamped row's stamp names the times.
    const std::optional<QDateTime>& start() const;
    const std::optional<Stamp>& firstStamp() const;
    // The rows as listed; empty for the chart's history.
    const std::vector<QString>& stamps() const { return stamps_; }
    const std::vector<QString>& readings() const { return readings_; }
    // An export's dates walk back from here, a file's modification time or now.
    const QDateTime& exportReference() const { return reference_; }
    bool datesFromFileTime() const { return calendar_ == Calendar::FileModified; }

private:
    void build() const;

    QString unit_;
    std::vector<QString> stamps_;
    std::vector<QString> readings_;
    Calendar calendar_ = Calendar::RecordedUpTo;
    QDateTime reference_;
    std::vector<float> history_;
    double step_ = 0.0;
    float overRange_ = 0.0f;
    bool fromHistory_ = false;

    mutable std::optional<Series> series_;
    mutable std::optional<QDateTime> start_;
    mutable std::optional<Stamp> firstStamp_;
};

// A row's time as the figures name it: "2026-12-08 14:22:45" where the calendar is known,
// else its stamp "08-14:22:45".
QString rowTimeText(const Readings& r, qsizetype row);

// The rows of a CSV export.
std::vector<CsvRow> exportRows(const Readings& r);

} // namespace analysis
