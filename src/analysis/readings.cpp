#include "analysis/readings.h"

#include <cmath>

namespace analysis {

namespace {
constexpr int kSecondsPerDay = 86400;

std::vector<RowText> rowTexts(const std::vector<QString>& stamps,
                              const std::vector<QString>& readings) {
    std::vector<RowText> rows(std::min(stamps.size(), readings.size()));
    for (size_t i = 0; i < rows.size(); ++i)
        rows[i] = {stamps[i], readings[i]};
    return rows;
}
} // namespace

Readings readingsFromRows(std::vector<QString> stamps, std::vector<QString> readings,
                          const QString& unit, Calendar calendar, const QDateTime& reference) {
    Readings r;
    r.stamps = std::move(stamps);
    r.readings = std::move(readings);
    const std::vector<RowText> rows = rowTexts(r.stamps, r.readings);
    if (calendar == Calendar::RecordedUpTo) {
        r.series = seriesFromRows(rows, unit, reference);
        // The series counts its seconds from its first dated row.
        for (const QDateTime& t : r.series.times)
            if (t.isValid()) {
                r.start = t;
                break;
            }
    } else {
        r.series = seriesFromRows(rows, unit);
        for (const RowText& row : rows)
            if ((r.firstStamp = parseStamp(row.stamp)))
                break;
    }
    r.exportReference = reference;
    r.datesFromFileTime = calendar == Calendar::FileModified;
    return r;
}

Readings readingsFromHistory(std::span<const float> values, const QString& unit,
                             const QDateTime& start, double step, float overRange) {
    Readings r;
    r.series = seriesFromHistory(values, unit, start, step, overRange);
    r.start = start;
    r.exportReference = start;
    return r;
}

QString rowTimeText(const Readings& r, qsizetype row) {
    if (row < 0 || row >= r.series.size())
        return {};
    const double seconds = r.series.seconds[size_t(row)];
    if (r.start)
        return r.start->addMSecs(qint64(std::llround(seconds * 1000.0)))
            .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    if (!r.firstStamp)
        return {};
    // Without a calendar the seconds run on from the first stamp by whole days.
    const qint64 second =
        (qint64(r.firstStamp->secondOfDay) + qint64(std::llround(seconds))) % kSecondsPerDay;
    const int day = r.series.dayNumbers.empty()
                        ? r.firstStamp->day
                        : r.series.dayNumbers[size_t(r.series.dayIndex(row))];
    return QStringLiteral("%1-%2:%3:%4")
        .arg(day, 2, 10, QLatin1Char('0'))
        .arg(second / 3600, 2, 10, QLatin1Char('0'))
        .arg(second / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(second % 60, 2, 10, QLatin1Char('0'));
}

std::vector<CsvRow> exportRows(const Readings& r) {
    if (!r.stamps.empty())
        return csvRows(rowTexts(r.stamps, r.readings), r.exportReference);
    const Series& s = r.series;
    std::vector<CsvRow> out(size_t(s.size()));
    for (size_t i = 0; i < out.size(); ++i) {
        if (r.start)
            out[i].time = r.start->addMSecs(qint64(std::llround(s.seconds[i] * 1000.0)));
        switch (s.kinds[i]) {
        case RowKind::Valid:
            out[i].reading = QString::number(double(s.values[i]), 'g', 7);
            break;
        case RowKind::OverRange:
            out[i].reading = QStringLiteral("OL");
            break;
        case RowKind::Unreadable:
            break;
        }
    }
    return out;
}

} // namespace analysis
