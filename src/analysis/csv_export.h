#pragma once

#include "analysis/reading_series.h"

#include <QDateTime>
#include <QString>
#include <QTimeZone>

#include <optional>
#include <span>
#include <vector>

class QIODevice;

namespace analysis {

// One field of a CSV line, quoted when it holds a comma, a quote or a line break (RFC 4180).
QString csvField(const QString& text);

// Readings as a spreadsheet reads them: UTF-8, a header line time,reading,value,unit, one line
// a row with CR LF, the time in ISO 8601 with its offset (empty where the row's date is not
// known), the reading as displayed and its value (empty when over range or not a reading). Rows
// taken more than once a second give every time its milliseconds, so that no time repeats.
struct CsvRow {
    std::optional<textrules::ZonedTime> time;
    QString reading;
    int millisecond = 0; // of the time's second
};
bool writeCsv(QIODevice& out, std::span<const CsvRow> rows, const QString& unit, QString* why);

// The rows of a list or data file for export, dated by the dating rule from reference (the
// file's modification time, or now for rows recorded up to now).
std::vector<CsvRow> csvRows(std::span<const RowText> rows, const QDateTime& reference,
                            const QTimeZone& zone = QTimeZone::systemTimeZone());

} // namespace analysis
