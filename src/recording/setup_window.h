#pragma once

#include <QDateTime>
#include <QDialog>

#include <functional>

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
// While it is open the main window's polling stays stopped; closing it restarts polling.
class Setup : public QDialog {
    Q_OBJECT
public:
    using PcClock = std::function<QDateTime()>;
    Setup(shared::Session& session, meterlink::MeterLink& link, QTimer& panelTimer1, QWidget* panel,
          PcClock pcClock = &QDateTime::currentDateTime);

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
    QTimer& panelTimer1_;
    PcClock pcClock_;
    QGroupBox* FrameTime;
    QLabel* LblMeterTime;
    QLabel* LblPCTime;
    QPushButton* CmdSetTime;
    QPushButton* CmdExit;
    QTimer* Timer1;
};

} // namespace recording
