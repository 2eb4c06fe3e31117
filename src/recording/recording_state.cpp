#include "recording/recording_state.h"

namespace recording {

void SetPcSamplingInterval(RecordingState& r, int seconds) {
    r.SamplingSeconds = float(seconds);
    r.SampleTickCount = 0;
}

QString sampleTimeStamp(const QDateTime& when) {
    return when.toString(QStringLiteral("dd-HH:mm:ss"));
}

} // namespace recording
