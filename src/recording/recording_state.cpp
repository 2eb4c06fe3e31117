#include "recording/recording_state.h"

namespace recording {

void SetPcSamplingInterval(RecordingState& r, int seconds) {
    r.SamplingSeconds = float(seconds);
    r.SampleTickCount = 0;
}

} // namespace recording
