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

Readings Readings::fromRows(std::vector<QString> stamps, std::vector<QString> readings,
                            const QString& unit, Calendar calendar, const QDateTime& reference) {
    Readings r;
    r.unit_ = unit;
    r.stamps_ = std::move(stamps);
    r.readings_ = std::move(readings);
    r.readings_.resize(r.stamps_.size());
    r.calendar_ = calendar;
    r.reference_ = reference;
    return r;
}

Readings Readings::fromHistory(std::span<const float> values, const QString& unit,
                               const QDateTime& start, double step, float overRange) {
    Readings r;
    r.unit_ = unit;
    r.history_.assign(values.begin(), values.end());
    r.reference_ = start;
    r.step_ = step;
    r.overRange_ = overRange;
    r.fromHistory_ = true;
    return r;
}

qsizetype Readings::size() const {
    return qsizetype(fromHistory_ ? history_.size() : stamps_.size());
}

const Series& Readings::series() const {
    if (!series_)
        build();
    return *series_;
}

const std::optional<QDateTime>& Readings::start() const {
    series();
    return start_;
}

const std::optional<Stamp>& Readings::firstStamp() const {
    series();
    return firstStamp_;
}

void Readings::build() const {
    if (fromHistory_) {
        series_ = seriesFromHistory(history_, unit_, reference_, step_, overRange_);
        start_ = reference_;
        return;
    }
    const std::vector<RowText> rows = rowTexts(stamps_, readings_);
    if (calendar_ == Calendar::RecordedUpTo) {
        series_ = seriesFromRows(rows, unit_, reference_);
        // The series counts its seconds from its first dated row.
        for (const QDateTime& t : series_->times)
            if (t.isValid()) {
                start_ = t;
                break;
            }
    } else {
        series_ = seriesFromRows(rows, unit_);
        for (const RowText& row : rows)
            if ((firstStamp_ = parseStamp(row.stamp)))
                break;
    }
}

QString rowTimeText(const Readings& r, qsizetype row) {
    const Series& s = r.series();
    if (row < 0 || row >= s.size())
        return {};
    const double seconds = s.time(row);
    if (r.start())
        return r.start()
            ->addMSecs(qint64(std::llround(seconds * 1000.0)))
            .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    if (!r.firstStamp())
        return {};
    // Without a calendar the seconds run on from the first stamp by whole days.
    const qint64 second =
        (qint64(r.firstStamp()->secondOfDay) + qint64(std::llround(seconds))) % kSecondsPerDay;
    const int day =
        s.dayNumbers.empty() ? r.firstStamp()->day : s.dayNumbers[size_t(s.dayIndex(row))];
    return QStringLiteral("%1-%2:%3:%4")
        .arg(day, 2, 10, QLatin1Char('0'))
        .arg(second / 3600, 2, 10, QLatin1Char('0'))
        .arg(second / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(second % 60, 2, 10, QLatin1Char('0'));
}

std::vector<CsvRow> exportRows(const Readings& r) {
    if (!r.stamps().empty())
        return csvRows(rowTexts(r.stamps(), r.readings()), r.exportReference());
    const Series& s = r.series();
    std::vector<CsvRow> out(size_t(s.size()));
    for (size_t i = 0; i < out.size(); ++i) {
        if (r.start())
            out[i].time = r.start()->addMSecs(qint64(std::llround(s.time(qsizetype(i)) * 1000.0)));
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
