#pragma once

#include "link/display_model.h"
#include "shared/session.h"

#include <QObject>
#include <QString>

#include <functional>

class QWidget;

namespace meterlink {
class DisplayStream;
class MeterLink;
} // namespace meterlink
namespace platform {
class Prompts;
}

namespace commands {

// Whether a toolbar key's guard lets a click through, given the modes and the open windows.
// "TimeSet" during INTV is let through here: its refusal is a message, not silence.
bool toolbarGuardAllows(const QString& key, const shared::Session& session);

// The operations the toolbar keys start. Each window's subsystem fills in its own; an empty one
// means that operation is not part of the program yet, and the click does nothing.
struct ToolbarActions {
    std::function<void()> StartFileRecording;
    std::function<void()> StopFileRecording;
    std::function<void()> OpenDataFile;
    std::function<void()> StartRealTimeList;
    std::function<void()> ShowSamplingChoice; // modal
    std::function<void()> ShowRealTimeGraph;  // after the opening values are set
    std::function<void()> ShowClockWindow;    // modal; polling paused while it is open
    std::function<void()> DownloadLoggerMemory;
    std::function<void()> EnterLightDistance;
    std::function<void()> LoadComparatorWindow;
    std::function<void()> EnterHoldTime;
    std::function<void()> ShowControlPanel;      // modeless
    std::function<void()> ShowScfWindow;         // modal
    std::function<void()> ShowCalibrationWindow; // modal
    std::function<void()> ShowSurvey;            // modeless
};

// Dispatches toolbar clicks by key, with each key's guard.
class ToolbarDispatcher : public QObject {
    Q_OBJECT
public:
    ToolbarDispatcher(shared::Session& session, meterlink::MeterLink& link,
                      platform::Prompts& prompts, meterlink::DisplayStream& stream,
                      QWidget* parent);

    ToolbarActions& actions() { return actions_; }
    // A click: the key's action, run through the link's exchange queue.
    void OnToolbarButton(const QString& key);
    // Presses one meter key from the PC: polling paused, one poll, the letter, polling again.
    // One exchange.
    void SendKeyCommand(char letter);

private:
    void dispatch(const QString& key);
    static void run(const std::function<void()>& action);
    // One PollReading as an exchange of its own; false only when shutting down.
    bool pollOnce();
    void openRealTimeGraph();

    shared::Session& session_;
    meterlink::MeterLink& link_;
    platform::Prompts& prompts_;
    meterlink::DisplayStream& stream_;
    QWidget* parent_;
    ToolbarActions actions_;
};

} // namespace commands
