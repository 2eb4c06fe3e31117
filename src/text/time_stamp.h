#pragma once

#include <QDateTime>
#include <QString>

namespace textrules {

// A reading's time stamp: day of month, hour, minutes, seconds as DD-hh:nn:ss.
QString sampleTimeStamp(const QDateTime& when);
// The same moment for machines: ISO 8601 local time with its UTC offset, to the second
// (2026-12-08T14:22:45+01:00); "+00:00" rather than "Z", so every stamp has one shape.
QString isoTimeText(const QDateTime& when);

} // namespace textrules
