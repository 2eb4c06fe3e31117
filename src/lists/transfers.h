#pragma once

#include <QString>

#include <memory>
#include <optional>

namespace meterlink {
class DisplayStream;
}
class QWidget;

namespace analysis {
class Readings;
}
namespace graphs {
class Graphs;
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

// The open dialog lists every file; the save dialog proposes data files, which end in ".txt".
inline const QString kAllFilesFilter = QStringLiteral("All Files (*)");
inline const QString kDataFileFilter = QStringLiteral("Data files (*.txt);;All Files (*)");

// The save dialog shared by every writer, proposing the given name: a chosen file (".txt" added
// to a name without an extension) sets SavePath and SavePathChosen. A cancel leaves both as they
// were.
void ChooseSaveFile(platform::Prompts& prompts, QWidget* parent, recording::RecordingState& state,
                    const QString& proposedName);

// What to tell the user about a file that was not written completely.
struct SaveFailure {
    QString text;
    QString detail;
};

// Writes every row of the grid, each cell followed by a TAB, to SavePath (replacing the file),
// with progress in the window's caption. Either way the caption comes back and SavePathChosen
// is cleared. The caller shows the busy pointer, and reports a failure once it is gone.
std::optional<SaveFailure> SaveGridToFile(QWidget& window, const platform::Grid& grid,
                                          recording::RecordingState& state);

// Prints every row of the grid in three fixed-width columns on the printer the user chooses
// (PDF when there is none, under the name proposed), with progress in the window's caption.
// Polling pauses for the printing. The printing ends early if the window closes while events
// run. False when the user cancels or the printer fails (which is reported).
bool PrintGrid(QWidget& window, const platform::Grid& grid, meterlink::DisplayStream& stream,
               platform::Prompts& prompts, const QString& proposedName);

// Hands one column of the grid's data rows to the Plot window, as numbers (readingValue),
// widening the caller's starting range (min, max) to take in every value, with the rows as a
// record for the window's statistics and export.
void GridToPlot(const platform::Grid& grid, int column, float count, float min, float max,
                const QString& unit, graphs::Graphs& graphs,
                std::shared_ptr<const analysis::Readings> readings);

} // namespace lists
