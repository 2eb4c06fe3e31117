#include "cli/reading.h"

#include "link/display_decoder.h"
#include "text/leading_value.h"
#include "text/time_stamp.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <cmath>

namespace cli {

Reading readingOf(const meterlink::DisplayModel& display, const QDateTime& at) {
    return {at, display.MainText, display.UnitText, display.status};
}

QDateTime fixedLocalTime(const QDateTime& when) {
    // One look at the time zone: the offset is what the local wall clock is ahead of UTC (asked
    // of the local time itself, it would be looked up twice more, ten times a second in serve).
    const QDateTime local = when.toLocalTime();
    const QDateTime wall(local.date(), local.time(), Qt::UTC);
    const int offset = int(wall.toMSecsSinceEpoch() - when.toMSecsSinceEpoch()) / 1000;
    return QDateTime(local.date(), local.time(), Qt::OffsetFromUTC, offset);
}

bool repeatsReading(const Reading& last, const Reading& now, bool annunciatorsCount) {
    return last.at.toSecsSinceEpoch() == now.at.toSecsSinceEpoch() && last.text == now.text &&
           last.unit == now.unit && (!annunciatorsCount || last.status == now.status);
}

std::optional<double> readingValue(const Reading& r) {
    const textrules::ReadingNumber n = textrules::readingNumber(r.text);
    return n.kind == textrules::ReadingKind::Valid ? std::optional<double>(n.value) : std::nullopt;
}

std::optional<double> readingLux(const Reading& r) {
    const std::optional<double> value = readingValue(r);
    if (!value)
        return std::nullopt;
    if (r.unit == QLatin1String("Lx"))
        return value;
    if (r.unit == QLatin1String("Fc"))
        return std::round(*value * kExactLuxPerFootCandle * 1000.0) / 1000.0;
    return std::nullopt;
}

QJsonObject readJson(const Reading& r) {
    QJsonArray on;
    for (const meterlink::StatusBit& bit : meterlink::kStatusBits)
        if (r.status.*bit.flag)
            on.append(QLatin1String(bit.name));
    const std::optional<double> value = readingValue(r);
    return {{QStringLiteral("time"), textrules::sampleTimeStamp(r.at)},
            {QStringLiteral("iso_time"), textrules::isoTimeText(r.at)},
            {QStringLiteral("reading"), r.text},
            {QStringLiteral("value"), value ? QJsonValue(*value) : QJsonValue()},
            {QStringLiteral("unit"), r.unit},
            {QStringLiteral("annunciators"), on}};
}

QString jsonText(const QJsonObject& o) {
    return QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact));
}

} // namespace cli
