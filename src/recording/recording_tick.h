#pragma once

#include "link/display_model.h"
#include "recording/recording_state.h"

#include <QString>

namespace recording {

inline constexpr qint32 kMaxSamples = 100000;

// Step one of the recording tick: true when this tick takes a sample; otherwise the second is
// counted. A count of 0 (just set) samples at once.
bool sampleDue(RecordingState& r);

// Whether a sink that has taken `count` samples since it started in `startUnit` may go on: not
// past 100000 samples, the same unit, and none of the display modes that change what a reading
// means (the comparator alone does not).
bool sinkMayContinue(qint32 count, const QString& startUnit, const meterlink::DisplayModel& d);

// The data file of a PC recording. Every line reaches the operating system before these return,
// so a crash loses no sample that was counted.
//
// Creates (or replaces) the file, writes the header line and turns FileRecording on.
bool openRecordingFile(RecordingState& r, const QString& path, const QString& unit, QString* why);
// Counts the sample and writes its line: number, TAB, SampleTime, TAB, reading, CR LF.
bool writeRecordingSample(RecordingState& r, const QString& reading, QString* why);
// Closes the file and ends the recording: FileRecording off, the count back to 0, no file chosen.
void closeRecordingFile(RecordingState& r);

} // namespace recording
