#pragma once

#include "analysis/csv_export.h"

#include <QString>

#include <functional>
#include <vector>

class QWidget;

namespace platform {
class Prompts;
}

namespace graphs {

// The export dialog's file types. A file opened from disk knows only the day of the month of
// its readings; the dialog says where the rest of the date comes from.
inline const QString kCsvFilter = QStringLiteral("CSV files (*.csv)");
inline const QString kCsvFileTimeFilter =
    QStringLiteral("CSV files, year and month from the file's modification time (*.csv)");

// "Export CSV…" of a list or a graph: the save dialog proposing the name, then the rows (worked
// out only once a file is chosen, so that "now" is the moment of the export) into that file,
// ".csv" added to a name without a suffix. A file that cannot be written is reported.
void exportCsv(platform::Prompts& prompts, QWidget* parent, const QString& proposedName,
               bool datesFromFileTime, const QString& unit,
               const std::function<std::vector<analysis::CsvRow>()>& rows);

} // namespace graphs
