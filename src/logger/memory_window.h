#pragma once

#include <QByteArray>
#include <QWidget>

#include <vector>

class QLabel;
class QPushButton;

namespace meterlink {
class DisplayStream;
class MeterLink;
} // namespace meterlink
namespace platform {
class Grid;
class Prompts;
} // namespace platform
namespace shared {
struct Session;
}

namespace logger {

inline const QString kEraseQuestion = QStringLiteral("All the data in memory will be deleted!");
inline const QString kEraseTitle = QStringLiteral("Warning");

// "Data Logger": the memory's size and free room, the download's progress and the sets found,
// one row per set in GridSet. A click on a set lists it; a click on the free memory erases the
// logger memory. Modeless; its load and unload set and clear MemoryWindowOpen, and closing it
// during a download cancels the download.
class Memory : public QWidget {
    Q_OBJECT
public:
    // The main window's polling is paused while the erase question is open.
    Memory(shared::Session& session, meterlink::MeterLink& link, platform::Prompts& prompts,
           meterlink::DisplayStream& stream, QWidget* mainWindow);

    platform::Grid& GridSet() const { return *gridSet_; }

    // What the download shows: the memory's size and free room for the last address in use,
    // its progress or how it ended, and the sets it found.
    void showMemoryFigures(quint32 memoryEnd);
    void showMessage(const QString& text);
    void listSets(const std::vector<QByteArray>& sets);
    // While a download runs, "Cancel" asks it to stop.
    void setDownloadRunning(bool running);
    bool cancelRequested() const { return cancelRequested_; }

    // The erase question; on OK the meter erases its logger memory ("E") and this window
    // closes. Nothing happens while the question is already open.
    void ClearLoggerMemory();

Q_SIGNALS:
    // A click on the row of set n.
    void setChosen(int n);
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    shared::Session& session_;
    meterlink::MeterLink& link_;
    platform::Prompts& prompts_;
    meterlink::DisplayStream& stream_;
    QLabel* LblSize_;
    QLabel* LblRemain_;
    QLabel* LblMessage_;
    platform::Grid* gridSet_;
    QPushButton* CmdCancel_;
    bool cancelRequested_ = false;
};

} // namespace logger
