#pragma once

#include "lists/list_window.h"

#include <QPointer>
#include <QString>

namespace graphs {
class Graphs;
}
namespace meterlink {
class DisplayStream;
class ExchangeQueue;
} // namespace meterlink
namespace platform {
class Grid;
class Prompts;
} // namespace platform
namespace shared {
struct Session;
}

namespace recording {

// "Real Time List": collects the PC-sampled readings while ListRecording holds; "Save" writes
// them to a data file, "Print" prints them.
class RealTimeList : public lists::ListWindow {
    Q_OBJECT
public:
    // The load: ListUnit = UnitText, shown in the header's first cell.
    RealTimeList(shared::Session& session, platform::Prompts& prompts,
                 meterlink::DisplayStream& stream, meterlink::ExchangeQueue& exchanges,
                 QWidget* panel);

    // One sample from the recording tick: the TAB-separated row is appended and selected, and
    // past row 15 the grid scrolls one row so that the newest row stays in view.
    void appendSample(const QString& line);
    void Save();
    platform::Grid& grid() const { return *grid_; }
    const platform::Grid& shownGrid() const override { return *grid_; }

protected:
    // The unload: the list stops collecting and its count starts again.
    void closeEvent(QCloseEvent* event) override;

private:
    shared::Session& session_;
    platform::Grid* grid_;
};

// "File List": a data file opened with "Open"; "Plot" hands its values to the Plot window.
class FileList : public lists::ListWindow {
    Q_OBJECT
public:
    FileList(platform::Prompts& prompts, meterlink::DisplayStream& stream,
             meterlink::ExchangeQueue& exchanges, graphs::Graphs& graphs, QWidget* panel);

    // Ignored when the list has no data row.
    void Plot();
    // Its rows have no year or month of their own: an export takes them from this time.
    using ListWindow::setSourceFile;
    platform::Grid& grid() const { return *grid_; }
    const platform::Grid& shownGrid() const override { return *grid_; }

private:
    graphs::Graphs& graphs_;
    platform::Grid* grid_;
};

// The list windows, each existing at most once, and the toolbar's "Open".
class ListWindows {
public:
    // The main window's polling is paused while a list prints.
    ListWindows(shared::Session& session, platform::Prompts& prompts,
                meterlink::DisplayStream& stream, meterlink::ExchangeQueue& exchanges,
                graphs::Graphs& graphs);
    ~ListWindows();
    ListWindows(const ListWindows&) = delete;
    ListWindows& operator=(const ListWindows&) = delete;

    // Loads the real-time list beside the panel if it is not open, and shows it.
    RealTimeList& showRealTimeList(QWidget* panel);
    // The open real-time list, or null.
    RealTimeList* realTimeList() const;
    // Closes the real-time list, if open, discarding its rows.
    void unloadRealTimeList();
    // The open file list, or null.
    FileList* fileList() const;

    // The toolbar's "Open": refused while a file recording runs; otherwise the chosen file is
    // read into a new file list (an open one is closed first).
    void OpenDataFile(QWidget* panel);

private:
    shared::Session& session_;
    platform::Prompts& prompts_;
    meterlink::DisplayStream& stream_;
    meterlink::ExchangeQueue& exchanges_;
    graphs::Graphs& graphs_;
    QPointer<RealTimeList> realTimeList_;
    QPointer<FileList> fileList_;
};

} // namespace recording
