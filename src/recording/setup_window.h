#pragma once

#include "link/display_stream.h"

#include <QDateTime>
#include <QDialog>

#include <functional>
#include <optional>

class QGroupBox;
class QLabel;
class QPushButton;
class QTimer;

namespace meterlink {
class MeterLink;
}
namespace shared {
struct Session;
}

namespace recording {

inline const QString kMeterTimeCaption = QStringLiteral("Meter Time");
inline const QString kPcTimeCaption = QStringLiteral("PC System Time");

// "Setup": the meter's clock beside the PC's, and a button that sets the one to the other.
// Once it has read the meter's clock, the main window's polling stays paused until it closes.
class Setup : public QDialog {
    Q_OBJECT
public:
    using PcClock = std::function<QDateTime()>;
    Setup(shared::Session& session, meterlink::MeterLink& link, meterlink::DisplayStream& stream,
          QWidget* panel, PcClock pcClock = &QDateTime::currentDateTime);

    // Every 350 ms: closes on INTV, otherwise brings both labels up to date.
    void Timer1Tick();
    // Sets the meter's clock to the PC's time at the moment the bytes go out.
    void CmdSetTimeClick();

    bool ShowMeterTime = false;
    bool ShowPCTime = false;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showMeterTime();

    shared::Session& session_;
    meterlink::MeterLink& link_;
    meterlink::DisplayStream& stream_;
    // From the first read of the meter's clock until the window closes.
    std::optional<meterlink::DisplayStream::Pause> pause_;
    PcClock pcClock_;
    QGroupBox* FrameTime;
    QLabel* LblMeterTime;
    QLabel* LblPCTime;
    QPushButton* CmdSetTime;
    QPushButton* CmdExit;
    QTimer* Timer1;
};

} // namespace recording
