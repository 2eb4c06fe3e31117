#pragma once

#include <QFile>
#include <QString>

#include <memory>

namespace recording {

// The PC-side recording, shared by the recording tick, the transfers, the list windows and
// the toolbar's guards.
struct RecordingState {
    float SamplingSeconds = 2.0f; // PC sampling interval, 1..86400
    qint32 SampleTickCount = 0;   // seconds since the last sample; 0: the next tick samples
    bool FileRecording = false;   // recording into DataFileNumber
    qint32 FileSampleCount = 0;   // 0..100000
    QString FileUnit;             // UnitText when file recording started
    std::unique_ptr<QFile> DataFileNumber; // the data file being written, if any
    bool ListRecording = false;            // the real-time list is collecting
    qint32 ListSampleCount = 0;            // 0..100000
    QString ListUnit;                      // UnitText when the real-time list was loaded
    QString SampleTime;                    // time stamp of the current sample

    // The last save dialog's answer, shared by every writer of a data file.
    QString SavePath;
    bool SavePathChosen = false; // cleared once the chosen file has been written

    // What the main window's load sets again.
    void resetForPanelLoad() {
        FileRecording = false;
        SamplingSeconds = 2.0f;
    }
};

// The sampling-rate window's PC interval, already limited to 1..86400: the next tick samples.
void SetPcSamplingInterval(RecordingState& r, int seconds);

} // namespace recording
