#include "commands/toolbar_dispatch.h"

#include "link/display_stream.h"
#include "link/meter_link.h"
#include "platform/prompts.h"

namespace commands {

bool toolbarGuardAllows(const QString& key, const shared::Session& session) {
    const meterlink::MeterStatus& s = session.display.status;
    const bool normal = meterlink::InNormalMode(s);
    if (key == QLatin1String("Save") || key == QLatin1String("scf") || key == QLatin1String("cal"))
        return normal;
    if (key == QLatin1String("List"))
        return normal && !session.recording.ListRecording;
    if (key == QLatin1String("Graph"))
        return normal && !session.graph.GraphOpen;
    if (key == QLatin1String("Memory"))
        return !s.IntvOn && !session.logger.MemoryWindowOpen && !s.HoldOn;
    return true;
}

ToolbarDispatcher::ToolbarDispatcher(shared::Session& session, meterlink::MeterLink& link,
                                     platform::Prompts& prompts, meterlink::DisplayStream& stream,
                                     QWidget* parent)
    : session_(session), link_(link), prompts_(prompts), stream_(stream), parent_(parent) {}

void ToolbarDispatcher::run(const std::function<void()>& action) {
    if (action)
        action();
}

void ToolbarDispatcher::OnToolbarButton(const QString& key) {
    // A click during another exchange's wait starts once that exchange has returned; the
    // guard is read then, against the state the action will meet.
    link_.exchanges().request(key, this, [this, key] { dispatch(key); });
}

void ToolbarDispatcher::dispatch(const QString& key) {
    if (!toolbarGuardAllows(key, session_))
        return;
    if (key == QLatin1String("Save")) {
        run(session_.recording.FileRecording ? actions_.StopFileRecording
                                             : actions_.StartFileRecording);
    } else if (key == QLatin1String("Open")) {
        run(actions_.OpenDataFile);
    } else if (key == QLatin1String("List")) {
        run(actions_.StartRealTimeList);
    } else if (key == QLatin1String("Graph")) {
        openRealTimeGraph();
    } else if (key == QLatin1String("PC")) {
        run(actions_.ShowSamplingChoice);
    } else if (key == QLatin1String("Memory")) {
        run(actions_.DownloadLoggerMemory);
    } else if (key == QLatin1String("CD")) {
        run(actions_.EnterLightDistance);
    } else if (key == QLatin1String("TimeSet")) {
        if (session_.display.status.IntvOn) {
            prompts_.message(parent_, platform::MessageIcon::Critical,
                             QStringLiteral("Recording mode, stop record then try again !"));
            return;
        }
        if (!actions_.ShowClockWindow)
            return;
        // Modal: polling stays paused until the window has closed.
        const meterlink::DisplayStream::Pause pause(stream_);
        actions_.ShowClockWindow();
    } else if (key == QLatin1String("Comp")) {
        run(actions_.LoadComparatorWindow);
    } else if (key == QLatin1String("Hold")) {
        run(actions_.EnterHoldTime);
    } else if (key == QLatin1String("Buttons")) {
        run(actions_.ShowControlPanel);
    } else if (key == QLatin1String("ESC")) {
        SendKeyCommand('H');
    } else if (key == QLatin1String("scf") || key == QLatin1String("cal")) {
        const auto& show =
            key == QLatin1String("scf") ? actions_.ShowScfWindow : actions_.ShowCalibrationWindow;
        if (!show || !pollOnce())
            return;
        show();
    } else if (key == QLatin1String("Survey")) {
        run(actions_.ShowSurvey);
    }
    // "Alarm" and unknown keys do nothing.
}

void ToolbarDispatcher::openRealTimeGraph() {
    if (!actions_.ShowRealTimeGraph)
        return;
    graphs::GraphState& g = session_.graph;
    g.GraphNeedsInit = true;
    g.GraphOpen = true;
    g.GraphSampleCount = 0;
    g.GraphUnit = session_.display.UnitText;
    g.SnapshotMax = g.SnapshotMin = session_.display.MainValue;
    actions_.ShowRealTimeGraph();
}

bool ToolbarDispatcher::pollOnce() {
    meterlink::ExchangeQueue::Exchange exchange(link_.exchanges());
    return link_.PollReading();
}

void ToolbarDispatcher::SendKeyCommand(char letter) {
    meterlink::ExchangeQueue::Exchange exchange(link_.exchanges());
    const meterlink::DisplayStream::Pause pause(stream_);
    if (!link_.PollReading())
        return; // shutting down
    link_.send(QByteArray(1, letter));
}

} // namespace commands
