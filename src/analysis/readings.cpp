#include "analysis/readings.h"

#include <cmath>

namespace analysis {

namespace {

// The second a millisecond since the epoch falls in, before 1970 too.
qint64 wholeSecond(qint64 ms) {
    return ms >= 0 ? ms / 1000 : -((-ms + 999) / 1000);
}

} // namespace

namespace {
std::vector<RowText> rowTexts(const std::vector<QString>& stamps,
                              const std::vector<QString>& readings) {
    std::vector<RowText> rows(std::min(stamps.size(), readings.size()));
    for (size_t i = 0; i < rows.size(); ++i)
        rows[i] = {stamps[i], readings[i]};
    return rows;
}
} // namespace

Readings Readings::fromRows(std::vector<QString> stamps, std::vector<QString> readings,
                            const QString& unit, Calendar calendar, const QDateTime& reference,
                            const QTimeZone& zone) {
    Readings r;
    r.unit_ = unit;
    r.stamps_ = std::move(stamps);
    r.readings_ = std::move(readings);
    r.readings_.resize(r.stamps_.size());
    r.calendar_ = calendar;
    r.reference_ = reference;
    r.zone_ = zone;
    return r;
}

Readings Readings::fromHistory(std::span<const float> values, const QString& unit,
                               const QDateTime& start, double step, float overRange,
                               const QTimeZone& zone) {
    Readings r;
    r.unit_ = unit;
    r.history_.assign(values.begin(), values.end());
    r.reference_ = start;
    r.zone_ = zone;
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

void Readings::build() const {
    if (fromHistory_) {
        series_ = seriesFromHistory(history_, unit_, reference_, step_, overRange_, zone_);
        return;
    }
    const std::vector<RowText> rows = rowTexts(stamps_, readings_);
    dated_ = datedRows(rows, reference_, zone_);
    std::vector<qint64> utc(rows.size());
    std::vector<float> values(rows.size());
    std::vector<ReadingKind> kinds(rows.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        utc[i] = dated_[i] ? dated_[i]->utc : kUndated;
        const textrules::ReadingNumber n = textrules::readingNumber(rows[i].reading);
        kinds[i] = n.kind;
        values[i] = float(n.value);
    }
    textrules::ZoneRules rules(zone_);
    series_ = timedSeries(unit_, utc, std::move(values), std::move(kinds), rules);
}

std::optional<textrules::ZonedTime> Readings::rowTime(qsizetype row) const {
    const Series& s = series();
    if (row < 0 || row >= s.size())
        return std::nullopt;
    if (!fromHistory_)
        return dated_[size_t(row)];
    const qint64 utc = wholeSecond(historyMillisecond(row));
    return textrules::ZonedTime{utc, zone_.offsetFromUtc(QDateTime::fromSecsSinceEpoch(utc))};
}

qint64 Readings::historyMillisecond(qsizetype row) const {
    return reference_.toMSecsSinceEpoch() + qint64(std::llround(series().time(row) * 1000.0));
}

QString rowTimeText(const Readings& r, qsizetype row) {
    if (row < 0 || row >= r.size())
        return {};
    const std::optional<textrules::ZonedTime> t = r.rowTime(row);
    if (!t) {
        // Not dated: the next dated row names it, as its time is that row's.
        for (qsizetype next = row + 1; next < r.size(); ++next)
            if (r.rowTime(next))
                return rowTimeText(r, next);
        return {};
    }
    if (r.datesFromFileTime())
        return r.stamps()[size_t(row)];
    return textrules::isoTimeText(t->utc, t->offset)
        .left(19)
        .replace(QLatin1Char('T'), QLatin1Char(' '));
}

std::vector<CsvRow> exportRows(const Readings& r) {
    if (!r.stamps().empty()) {
        r.series();
        std::vector<CsvRow> out(r.stamps().size());
        for (size_t i = 0; i < out.size(); ++i)
            out[i] = {r.rowTime(qsizetype(i)), r.readings()[i]};
        return out;
    }
    const Series& s = r.series();
    std::vector<CsvRow> out(size_t(s.size()));
    textrules::ZoneRules zone(r.zone());
    for (size_t i = 0; i < out.size(); ++i) {
        const qint64 ms = r.historyMillisecond(qsizetype(i));
        const qint64 utc = wholeSecond(ms);
        out[i].time = textrules::ZonedTime{utc, zone.offsetAt(utc)};
        out[i].millisecond = int(ms - utc * 1000);
        switch (s.kinds[i]) {
        case ReadingKind::Valid:
            out[i].reading = QString::number(double(s.values[i]), 'g', 7);
            break;
        case ReadingKind::OverRange:
            out[i].reading = QStringLiteral("OL");
            break;
        case ReadingKind::NotAReading:
            break;
        }
    }
    return out;
}

std::optional<QDateTime> firstRowTime(const Readings& r) {
    for (qsizetype row = 0; row < r.size(); ++row)
        if (const std::optional<textrules::ZonedTime> t = r.rowTime(row))
            return QDateTime::fromSecsSinceEpoch(t->utc, QTimeZone(t->offset));
    return std::nullopt;
}

} // namespace analysis
