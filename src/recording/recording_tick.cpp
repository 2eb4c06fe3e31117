#include "recording/recording_tick.h"

#include "text/data_file.h"

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

bool sampleDue(RecordingState& r) {
    if (r.SampleTickCount < r.SamplingSeconds && r.SampleTickCount != 0) {
        ++r.SampleTickCount;
        return false;
    }
    return true;
}

bool sinkMayContinue(qint32 count, const QString& startUnit, const meterlink::DisplayModel& d) {
    const meterlink::MeterStatus& s = d.status;
    const bool changedMode =
        s.RelOn || s.RefOn || s.UpperPercentOn || s.CdOn || s.FcHourOn || s.LxHourOn || s.SetUpOn;
    return count != kMaxSamples && !changedMode && d.UnitText == startUnit;
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
