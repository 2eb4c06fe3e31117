#pragma once

#include "link/display_stream.h"
#include "logger/memory_download.h"

#include <QPointer>
#include <QString>

#include <optional>

class QWidget;

namespace graphs {
class Graphs;
}
namespace meterlink {
class MeterLink;
}
namespace platform {
class Prompts;
}
namespace shared {
struct Session;
}

namespace logger {

class DataList;
class Memory;

inline const QString kNoDataText = QStringLiteral("No Data in Memory");
inline const QString kStalledText =
    QStringLiteral("The meter stopped sending: no data for 5 s. Nothing was listed.");
inline const QString kCancelledText =
    QStringLiteral("The download was cancelled. Nothing was listed.");
inline const QString kNoSetText =
    QStringLiteral("The memory does not begin with a set: no set could be read.");
inline const QString kCutShortText =
    QStringLiteral("The last set in memory is incomplete and is not listed.");
// With the address the meter reported.
inline const QString kImpossibleEndText = QStringLiteral(
    "The meter reports a memory end address of %1, which no logger memory has. Nothing was "
    "downloaded.");

// The logger's windows, each existing at most once, and the toolbar's "Memory".
class LoggerWindows {
public:
    // The download pauses the main window's polling for the transfer, and it resumes with a
    // poll first. The windows open beside the main window, or where they are without one.
    LoggerWindows(shared::Session& session, meterlink::MeterLink& link, platform::Prompts& prompts,
                  meterlink::DisplayStream& stream, graphs::Graphs& graphs, QWidget* mainWindow);
    ~LoggerWindows();
    LoggerWindows(const LoggerWindows&) = delete;
    LoggerWindows& operator=(const LoggerWindows&) = delete;

    // The toolbar's "Memory", once its guard has let it through. Polls the memory's end
    // address; an empty memory says "No Data in Memory". Otherwise opens the Memory window
    // beside the main window and receives the whole memory with "Q" as one exchange, with
    // progress in the window; the window stays usable, and "Cancel" or closing it ends the
    // transfer, as do 5 s without a byte. Then polling runs again and the sets are listed.
    void DownloadLoggerMemory();
    // Lists set n of the last download (n from 1) into a fresh Data List at the screen's
    // top-left corner, replacing an open one. Nothing for a set that does not exist.
    void ShowLoggerSet(int n);

    // The open windows, or null.
    Memory* memoryWindow() const;
    DataList* dataList() const;

private:
    // From the first poll to the end of the transfer, as one exchange, with polling stopped;
    // the Memory window opens as the transfer starts.
    MemoryTransfer receiveMemory();
    Memory& openMemoryWindow();
    // Polling again, with a poll first.
    void resumePolling(std::optional<meterlink::DisplayStream::Pause>& pause);

    shared::Session& session_;
    meterlink::MeterLink& link_;
    platform::Prompts& prompts_;
    meterlink::DisplayStream& stream_;
    graphs::Graphs& graphs_;
    QWidget* mainWindow_;
    QPointer<Memory> memory_;
    QPointer<DataList> dataList_;
};

} // namespace logger
