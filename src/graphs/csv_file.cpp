#include "graphs/csv_file.h"

#include "platform/busy_cursor.h"
#include "platform/prompts.h"

#include <QSaveFile>

#include <optional>

namespace graphs {

void exportCsv(platform::Prompts& prompts, QWidget* parent, const QString& proposedName,
               bool datesFromFileTime, const QString& unit,
               const std::function<std::vector<analysis::CsvRow>()>& rows) {
    const QString path =
        prompts.saveFile(parent, platform::FileKind::Csv,
                         datesFromFileTime ? kCsvFileTimeFilter : kCsvFilter, proposedName);
    if (path.isEmpty())
        return;
    std::optional<platform::BusyCursor> busy(std::in_place);
    // Written aside and put in place whole, so a failure leaves no half file behind.
    QSaveFile file(path);
    QString why;
    bool written = file.open(QIODevice::WriteOnly);
    if (written) {
        const std::vector<analysis::CsvRow> lines = rows();
        written = analysis::writeCsv(file, lines, unit, &why) && file.commit();
    }
    if (!written && why.isEmpty())
        why = file.errorString();
    busy.reset();
    if (!written)
        prompts.message(parent, platform::MessageIcon::Critical,
                        QStringLiteral("The CSV file could not be written."),
                        path + QStringLiteral(": ") + why);
}

} // namespace graphs
