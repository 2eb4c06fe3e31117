#pragma once

#include <QDateTime>
#include <QString>

namespace textrules {

// A reading's time stamp: day of month, hour, minutes, seconds as DD-hh:nn:ss.
QString sampleTimeStamp(const QDateTime& when);

} // namespace textrules
