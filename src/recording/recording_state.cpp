#include "recording/recording_state.h"

namespace recording {

QString sampleTimeStamp(const QDateTime& when) {
    return when.toString(QStringLiteral("dd-HH:mm:ss"));
}

} // namespace recording
