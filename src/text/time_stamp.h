#pragma once

#include <QDateTime>
#include <QLatin1StringView>
#include <QString>
#include <QStringView>

#include <optional>

namespace textrules {

// n (0 or more) in at least two digits, appended: the fields of a stamp.
void appendTwoDigits(QString& text, qint64 n);

// A reading's time stamp: day of month, hour, minutes, seconds as DD-hh:nn:ss.
QString sampleTimeStamp(const QDateTime& when);

// A stamp read back: the day of the month (1..31) and the second of that day.
struct Stamp {
    int day = 0;
    int secondOfDay = 0;
    bool operator==(const Stamp&) const = default;
};
std::optional<Stamp> parseStamp(QStringView text);
std::optional<Stamp> parseStamp(QLatin1StringView text);

// The same moment for machines: ISO 8601 local time with its UTC offset, to the second
// (2026-12-08T14:22:45+01:00); "+00:00" rather than "Z", so every stamp has one shape.
QString isoTimeText(const QDateTime& when);
// The same from seconds since the epoch and the offset from UTC in force then.
QString isoTimeText(qint64 utcSeconds, int offsetSeconds);

} // namespace textrules
