#pragma once

#include "analysis/readings.h"
#include "analysis/running_summary.h"

#include <QDateTime>
#include <QDialog>
#include <QFileInfo>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>
#include <map>
#include <optional>

class QToolBar;

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
// Reached through the Session (shared/session.h); no list file includes recording/.
namespace recording {
struct RecordingState;
}

namespace lists {

class SummaryLine;

// What the list windows share: the toolbar Toolbar1, three-column grids whose header row reads
// a unit (or "No.s"), "Time", "Value", and "Save", "Print" and "Plot" of the grid in view; under
// the grids a summary line of the grid in view that follows it as it grows, and its full
// figures and CSV export from the toolbar. Closing one unloads it: it deletes itself, and its
// rows go with it.
class ListWindow : public QWidget {
    Q_OBJECT
public:
    // Data rows in view: the newest row of a live list stays at the foot of the grid.
    static constexpr int kVisibleRows = 15;

    // The grid in view, the one that "Save", "Print" and "Plot" use.
    virtual const platform::Grid& shownGrid() const = 0;
    void Print();
    // "Statistics…": the figures of the shown grid's rows in a window of their own; a second
    // click brings it up to date and to the front.
    void showStatistics();
    // "Export CSV…" of the shown grid's rows.
    void exportCsv();
    // The shown grid's rows as a record: dated up to now, or by their stamps alone for a file.
    analysis::Readings shownReadings() const;
    SummaryLine* summary() const { return summary_; }
    // What "now" is for rows recorded up to now; the system clock unless a test sets one.
    void setClock(std::function<QDateTime()> clock) { clock_ = std::move(clock); }
    QDialog* statisticsWindow() const { return statistics_; }

signals:
    // The window is closing and will delete itself.
    void closed();

protected:
    ListWindow(const QString& name, const QString& caption, platform::Prompts& prompts,
               meterlink::DisplayStream& stream, meterlink::ExchangeQueue& exchanges,
               QWidget* parent);
    // A toolbar button with its key as objectName. A click runs through the exchange queue: a
    // dialog it opens must not sit inside another handler's wait on the meter.
    void addButton(const QString& key, const QString& tip, const QString& icon,
                   std::function<void()> handler);
    // "Statistics…" and "Export CSV…", after the window's own buttons.
    void addAnalysisButtons();
    // The list was read from this file, whose modification time dates its rows; otherwise its
    // rows were recorded up to now.
    void setSourceFile(const QFileInfo& file);
    // The name a save or an export of the shown rows is proposed under: after the file they came
    // from, or the window's caption and the time of the first row.
    QString proposedFileName(const QString& extension) const;
    // The summary line of the grid now shown.
    void refreshSummary();
    // A three-column grid under the toolbar, headed firstHeader, "Time", "Value"; the window
    // takes the size that shows its columns and kVisibleRows rows.
    platform::Grid* addGrid(const QString& name, const QString& firstHeader);
    // "Save": refused while a file recording holds the data file; otherwise, under the busy
    // pointer, the save dialog, then the shown grid into the chosen file.
    void saveShownGrid(recording::RecordingState& state);
    // "Plot": the shown grid's values in the Plot window, in the unit of its header; ignored
    // when the grid has no data row.
    void plotShownGrid(graphs::Graphs& graphs);
    void closeEvent(QCloseEvent* event) override;

    platform::Prompts& prompts_;

private:
    void addAction(const QString& key, const QString& text, const QString& tip, const QString& icon,
                   std::function<void()> handler);

    meterlink::DisplayStream& stream_;
    meterlink::ExchangeQueue& exchanges_;
    QToolBar* toolbar_;
    SummaryLine* summary_;
    bool summaryDue_ = false;
    // Each grid's running figures, fed by its appended rows.
    std::map<const platform::Grid*, analysis::RunningSummary> summaries_;
    std::optional<QDateTime> fileTime_;
    QString sourcePath_;
    std::function<QDateTime()> clock_ = &QDateTime::currentDateTime;
    QPointer<QDialog> statistics_;
};

} // namespace lists
