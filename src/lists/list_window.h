#pragma once

#include <QString>
#include <QWidget>

#include <functional>

class QTimer;
class QToolBar;

namespace graphs {
class Graphs;
}
namespace meterlink {
class ExchangeQueue;
}
namespace platform {
class Grid;
class Prompts;
} // namespace platform
// Reached through the Session (shared/session.h); no list file includes recording/.
namespace recording {
struct RecordingState;
}

namespace lists {

// What the list windows share: the toolbar Toolbar1, three-column grids whose header row reads
// a unit (or "No.s"), "Time", "Value", and "Save", "Print" and "Plot" of the grid in view.
// Closing one unloads it: it deletes itself, and its rows go with it.
class ListWindow : public QWidget {
    Q_OBJECT
public:
    // Data rows in view: the newest row of a live list stays at the foot of the grid.
    static constexpr int kVisibleRows = 15;

    // The grid in view, the one that "Save", "Print" and "Plot" use.
    virtual const platform::Grid& shownGrid() const = 0;
    void Print();

signals:
    // The window is closing and will delete itself.
    void closed();

protected:
    ListWindow(const QString& name, const QString& caption, platform::Prompts& prompts,
               QTimer& timer1, meterlink::ExchangeQueue& exchanges, QWidget* parent);
    // A toolbar button with its key as objectName. A click runs through the exchange queue: a
    // dialog it opens must not sit inside another handler's wait on the meter.
    void addButton(const QString& key, const QString& tip, const QString& icon,
                   std::function<void()> handler);
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
    QTimer& timer1_;
    meterlink::ExchangeQueue& exchanges_;
    QToolBar* toolbar_;
};

} // namespace lists
