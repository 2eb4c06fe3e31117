#pragma once

#include "link/display_model.h"
#include "text/light_units.h"

#include <QDateTime>
#include <QJsonObject>
#include <QString>

#include <optional>

namespace cli {

using textrules::kExactLuxPerFootCandle;

// One reading of the display as the tool reports it.
struct Reading {
    QDateTime at; // when it was taken
    QString text; // as displayed, or "OL"
    QString unit; // "Lx", "Fc" or empty
    meterlink::MeterStatus status;
};

Reading readingOf(const meterlink::DisplayModel& display, const QDateTime& at);
// The local time of `when`, held with the offset from UTC it has then, so that formatting it
// needs no look at the time zone.
QDateTime fixedLocalTime(const QDateTime& when);

// The display streams ten frames a second, most of them repeating the last: a frame is a new
// reading unless it falls in the same second with the same text and unit (and the same
// annunciators, when the report shows them).
bool repeatsReading(const Reading& last, const Reading& now, bool annunciatorsCount);

// The number as displayed, by the reading rule (text/leading_value.h); none for an over-range
// reading or a text that is not a reading.
std::optional<double> readingValue(const Reading& r);
// The reading in lux (foot-candles x 10.7639104, to a thousandth); none when it is over range
// or shows neither unit.
std::optional<double> readingLux(const Reading& r);

// What "read --json" prints: time, iso_time, reading, value, unit and the annunciators on.
QJsonObject readJson(const Reading& r);
// One line of compact JSON.
QString jsonText(const QJsonObject& o);

} // namespace cli
