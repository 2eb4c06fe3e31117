#include "recording/meter_time_windows.h"

#include "recording/sampling_choice.h"
#include "recording/setup_window.h"

namespace recording {

namespace {
// Deleted once exec() has returned, never under a handler still running inside it.
void runModal(QDialog* window) {
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->exec();
}
} // namespace

MeterTimeWindows::MeterTimeWindows(shared::Session& session, meterlink::MeterLink& link,
                                   platform::Prompts& prompts, meterlink::DisplayStream& stream)
    : session_(session), link_(link), prompts_(prompts), stream_(stream) {}

void MeterTimeWindows::showSamplingChoice(QWidget* panel) {
    runModal(new SamplingChoice(session_, link_, prompts_, stream_, panel));
}

void MeterTimeWindows::showClockWindow(QWidget* panel) {
    runModal(new Setup(session_, link_, stream_, panel));
}

} // namespace recording
