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
// names its rows' times, and what an export writes.
struct Readings {
    Series series;
    // The calendar time of the series' second 0, where it is known; otherwise the first
    // stamped row's stamp names the times.
    std::optional<QDateTime> start;
    std::optional<Stamp> firstStamp;
    // The rows as listed, for an export; empty for the chart's history, which is written from
    // the series.
    std::vector<QString> stamps;
    std::vector<QString> readings;
    QDateTime exportReference; // an export's dates walk back from here
    bool datesFromFileTime = false;
};

// A list's rows (the stamps and readings share the list's strings, so this copies no text).
Readings readingsFromRows(std::vector<QString> stamps, std::vector<QString> readings,
                          const QString& unit, Calendar calendar, const QDateTime& reference);

// The real-time chart's history: a reading every step seconds from start, over range at and
// above overRange.
Readings readingsFromHistory(std::span<const float> values, const QString& unit,
                             const QDateTime& start, double step, float overRange);

// A row's time as the figures name it: "2026-12-08 14:22:45" where the calendar is known,
// else its stamp "08-14:22:45".
QString rowTimeText(const Readings& r, qsizetype row);

// The rows of a CSV export.
std::vector<CsvRow> exportRows(const Readings& r);

} // namespace analysis
