#pragma once

class QTimer;
class QWidget;

namespace meterlink {
class MeterLink;
}
namespace platform {
class Prompts;
}
namespace shared {
struct Session;
}

namespace recording {

// The windows of the toolbar's "PC" and "TimeSet" keys. panelTimer1 is the main window's
// polling timer: each window restarts it when it closes.
class MeterTimeWindows {
public:
    MeterTimeWindows(shared::Session& session, meterlink::MeterLink& link,
                     platform::Prompts& prompts, QTimer& panelTimer1);

    // "PC": SamplingChoice, modal, placed on the main window; returns once it has closed.
    void showSamplingChoice(QWidget* panel);
    // "TimeSet", once its guard has stopped panelTimer1: Setup, modal, centred under the main
    // window's top; returns once it has closed.
    void showClockWindow(QWidget* panel);

private:
    shared::Session& session_;
    meterlink::MeterLink& link_;
    platform::Prompts& prompts_;
    QTimer& panelTimer1_;
};

} // namespace recording
