#include "text/time_stamp.h"

namespace textrules {

QString sampleTimeStamp(const QDateTime& when) {
    return when.toString(QStringLiteral("dd-HH:mm:ss"));
}

} // namespace textrules
