#include "recording/recording_tick.h"

#include "text/data_file.h"
#include "text/time_stamp.h"

#include <QFile>

namespace recording {

namespace {

bool writeLine(QFile& file, const QByteArray& bytes, QString* why) {
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        *why = file.errorString();
        return false;
    }
    return true;
}

} // namespace

namespace {

// Step one of the tick: true when this second takes a sample; otherwise it is counted. A count
// of 0 (just set) samples at once.
bool sampleDue(RecordingState& r) {
    if (r.SampleTickCount < r.SamplingSeconds && r.SampleTickCount != 0) {
        ++r.SampleTickCount;
        return false;
    }
    return true;
}

} // namespace

bool readingChangesMeaning(const meterlink::MeterStatus& s) {
    return s.RelOn || s.RefOn || s.UpperPercentOn || s.CdOn || s.FcHourOn || s.LxHourOn ||
           s.SetUpOn;
}

std::optional<QString> sinkEnding(qint32 count, const QString& startUnit,
                                  const meterlink::DisplayModel& d) {
    if (count == kMaxSamples)
        return QStringLiteral("it holds %1 samples").arg(kMaxSamples);
    if (readingChangesMeaning(d.status))
        return QStringLiteral("the meter left its normal measuring mode");
    if (d.UnitText != startUnit)
        return QStringLiteral("the meter's unit changed");
    return std::nullopt;
}

Sample RecordingTick(RecordingState& r, const meterlink::DisplayModel& d, const QDateTime& now) {
    Sample s;
    s.count = r.FileSampleCount;
    if (!sampleDue(r))
        return s;
    r.SampleTime = textrules::sampleTimeStamp(now);
    r.SampleTickCount = 1;
    if (!r.FileRecording) {
        s.outcome = Sample::Outcome::NotRecording;
        r.FileSampleCount = 0;
    } else if (const std::optional<QString> ending = sinkEnding(r.FileSampleCount, r.FileUnit, d)) {
        s.outcome = Sample::Outcome::Ended;
        s.why = *ending;
        closeRecordingFile(r);
    } else if (!writeRecordingSample(r, d.MainText, &s.why)) {
        s.outcome = Sample::Outcome::Failed;
        closeRecordingFile(r);
    } else {
        s.outcome = Sample::Outcome::Written;
        s.count = r.FileSampleCount;
    }
    return s;
}

bool openRecordingFile(RecordingState& r, const QString& path, const QString& unit, QString* why) {
    auto file = std::make_unique<QFile>(path);
    if (!file->open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        *why = file->errorString();
        return false;
    }
    if (!writeLine(*file,
                   textrules::recordingLine(unit, QStringLiteral("Time"), QStringLiteral("Value")),
                   why))
        return false;
    r.FileUnit = unit;
    r.DataFileNumber = std::move(file);
    r.FileSampleCount = 0;
    r.FileRecording = true;
    return true;
}

bool writeRecordingSample(RecordingState& r, const QString& reading, QString* why) {
    const qint32 number = r.FileSampleCount + 1;
    if (!writeLine(*r.DataFileNumber,
                   textrules::recordingLine(QString::number(number), r.SampleTime, reading), why))
        return false;
    r.FileSampleCount = number;
    return true;
}

void closeRecordingFile(RecordingState& r) {
    r.FileRecording = false;
    r.FileSampleCount = 0;
    r.DataFileNumber.reset();
    r.SavePathChosen = false;
}

} // namespace recording
