#pragma once

class QWidget;

namespace meterlink {
class DisplayStream;
class MeterLink;
} // namespace meterlink
namespace platform {
class Prompts;
}
namespace shared {
struct Session;
}

namespace recording {

// The windows of the toolbar's "PC" and "TimeSet" keys, which pause the main window's polling
// while they talk to the meter.
class MeterTimeWindows {
public:
    MeterTimeWindows(shared::Session& session, meterlink::MeterLink& link,
                     platform::Prompts& prompts, meterlink::DisplayStream& stream);

    // "PC": SamplingChoice, modal, placed on the main window; returns once it has closed.
    void showSamplingChoice(QWidget* panel);
    // "TimeSet": Setup, modal, centred under the main window's top; returns once it has closed.
    void showClockWindow(QWidget* panel);

private:
    shared::Session& session_;
    meterlink::MeterLink& link_;
    platform::Prompts& prompts_;
    meterlink::DisplayStream& stream_;
};

} // namespace recording
