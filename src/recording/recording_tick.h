#pragma once

#include "link/display_model.h"
#include "recording/recording_state.h"

#include <QDateTime>
#include <QString>

#include <optional>

namespace recording {

inline constexpr qint32 kMaxSamples = 100000;

// What one second of the recording tick did with the data file.
struct Sample {
    enum class Outcome {
        NotDue,       // the second was counted, no sample taken
        NotRecording, // a sample time (SampleTime is set), with no file being recorded
        Written,      // the sample's line is in the file
        Ended,        // a stop condition: the file is closed, this sample not written
        Failed,       // the line could not be written: the file is closed
    };
    Outcome outcome = Outcome::NotDue;
    qint32 count = 0; // samples in the file, this one included when written
    QString why;      // what ended the recording
};

// The recording tick, once a second for the panel's "Save" and for luxpanel-cli record: counts
// the second and, when a sample is due, stamps it with `now` and writes the displayed reading
// to the data file while the recording may go on.
Sample RecordingTick(RecordingState& r, const meterlink::DisplayModel& d, const QDateTime& now);

// The display modes in which a reading means something other than the light (relative,
// reference, percent, cd, lux-hours, foot-candle-hours) or nothing (set-up); the comparator
// alone changes nothing.
bool readingChangesMeaning(const meterlink::MeterStatus& s);

// Why a sink that has taken `count` samples since it started in `startUnit` must end: 100000
// samples, another unit, or a display mode that changes what a reading means (the comparator
// alone does not); nothing while it may go on.
std::optional<QString> sinkEnding(qint32 count, const QString& startUnit,
                                  const meterlink::DisplayModel& d);

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
