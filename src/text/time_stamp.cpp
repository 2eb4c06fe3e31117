#include "text/time_stamp.h"

#include <cstdlib>

namespace textrules {

QString sampleTimeStamp(const QDateTime& when) {
    return when.toString(QStringLiteral("dd-HH:mm:ss"));
}

QString isoTimeText(const QDateTime& when) {
    const int offset = when.offsetFromUtc();
    const int minutes = std::abs(offset) / 60;
    return when.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")) +
           (offset < 0 ? QLatin1Char('-') : QLatin1Char('+')) +
           QStringLiteral("%1:%2")
               .arg(minutes / 60, 2, 10, QLatin1Char('0'))
               .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

} // namespace textrules
