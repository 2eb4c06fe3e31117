#include "analysis/csv_export.h"

#include "text/time_stamp.h"

#include <QIODevice>

#include <algorithm>

namespace analysis {

QString csvField(const QString& text) {
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) &&
        !text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r')))
        return text;
    QString quoted = text;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

bool writeCsv(QIODevice& out, std::span<const CsvRow> rows, const QString& unit, QString* why) {
    QByteArray text = "time,reading,value,unit\r\n";
    const QString unitField = csvField(unit);
    const bool fractions =
        std::any_of(rows.begin(), rows.end(), [](const CsvRow& r) { return r.millisecond != 0; });
    // "2026-12-08T14:22:45" is followed by its offset.
    constexpr qsizetype kSecondsEnd = 19;
    for (const CsvRow& row : rows) {
        const textrules::ReadingNumber n = textrules::readingNumber(row.reading);
        QString time =
            row.time ? textrules::isoTimeText(row.time->utc, row.time->offset) : QString();
        if (fractions && row.time)
            time.insert(kSecondsEnd,
                        QStringLiteral(".%1").arg(row.millisecond, 3, 10, QLatin1Char('0')));
        const QString line =
            time + QLatin1Char(',') + csvField(row.reading) + QLatin1Char(',') +
            (n.kind == ReadingKind::Valid ? QString::number(n.value, 'f', n.decimals) : QString()) +
            QLatin1Char(',') + unitField + QStringLiteral("\r\n");
        text += line.toUtf8();
    }
    if (out.write(text) != text.size()) {
        if (why)
            *why = out.errorString();
        return false;
    }
    return true;
}

std::vector<CsvRow> csvRows(std::span<const RowText> rows, const QDateTime& reference,
                            const QTimeZone& zone) {
    const std::vector<std::optional<textrules::ZonedTime>> dates = datedRows(rows, reference, zone);
    std::vector<CsvRow> out(rows.size());
    for (size_t i = 0; i < rows.size(); ++i)
        out[i] = {dates[i], rows[i].reading.toString()};
    return out;
}

} // namespace analysis
