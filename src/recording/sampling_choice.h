#pragma once

#include "link/display_stream.h"

#include <QDialog>

#include <optional>

class QPushButton;
class QRadioButton;

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

inline const QString kPcIntervalPrompt =
    QStringLiteral("Enter the SAMPLING TIME in seconds\r\n(1 <= t <= 86400 ) ");
inline const QString kMeterIntervalPrompt =
    QStringLiteral("Enter the SAMPLING TIME of the Meter\r\n (MM:SS) ");
inline const QString kSamplingInputTitle = QStringLiteral("Input Sampling Time");

// "Sampling Rate": sets the PC sampling interval, or reads and sets the meter's logger
// interval, then closes. Closing it, whichever way, restarts the main window's polling.
class SamplingChoice : public QDialog {
    Q_OBJECT
public:
    SamplingChoice(shared::Session& session, meterlink::MeterLink& link, platform::Prompts& prompts,
                   meterlink::DisplayStream& stream, QWidget* panel);

    // OK: asks for the chosen interval and applies it, then closes the window.
    void CmdOKClick();

private:
    void askPcInterval();
    void askMeterInterval();

    shared::Session& session_;
    meterlink::MeterLink& link_;
    platform::Prompts& prompts_;
    meterlink::DisplayStream& stream_;
    // From the meter's interval read until the window closes.
    std::optional<meterlink::DisplayStream::Pause> pause_;
    QRadioButton* OptMeter;
    QRadioButton* OptPC;
    QPushButton* CmdOK;
};

} // namespace recording
