#pragma once

#include <memory>

namespace graphs {
class Graphs;
}
namespace logger {
class LoggerWindows;
}
namespace meterlink {
class MeterLink;
}
namespace panel {
class Panel;
}
namespace platform {
class Prompts;
}
namespace recording {
class ListWindows;
class MeterTimeWindows;
} // namespace recording
namespace shared {
struct Session;
}

namespace app {

// The program below the port window: the main window and every window its toolbar reaches,
// wired to each other as the user meets them, and "About LuxPanel" (Shift+F1 or the panel's
// context menu). main() builds it this way, and so do the tests that click through the whole
// program.
class ProgramWindows {
public:
    ProgramWindows(shared::Session& session, meterlink::MeterLink& link,
                   platform::Prompts& prompts);
    ~ProgramWindows();
    ProgramWindows(const ProgramWindows&) = delete;
    ProgramWindows& operator=(const ProgramWindows&) = delete;

    // Opens the port and shows the main window; false (after saying why) when the port cannot
    // be opened.
    bool start();

    panel::Panel& panel() { return *panel_; }

private:
    shared::Session& session_;
    platform::Prompts& prompts_;
    std::unique_ptr<graphs::Graphs> graphs_;
    std::unique_ptr<panel::Panel> panel_;
    // Built with the panel, whose polling they pause; gone before it.
    std::unique_ptr<recording::ListWindows> lists_;
    std::unique_ptr<recording::MeterTimeWindows> meterTime_;
    std::unique_ptr<logger::LoggerWindows> logger_;
};

} // namespace app
