#include "recording/setup_window.h"

#include "link/meter_link.h"
#include "link/setting_exchanges.h"
#include "platform/placement.h"
#include "recording/clock_values.h"
#include "recording/meter_clock.h"
#include "shared/session.h"

#include <QEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace recording {

namespace {
constexpr int kTwipsPerPixel = 15; // at 96 dots per inch
constexpr int kTopOffset = 1000 / kTwipsPerPixel;
constexpr int kTickMs = 350;

QLabel* clockLabel(const QString& name, const QString& caption, QWidget* parent) {
    auto* label = new QLabel(caption, parent);
    label->setObjectName(name);
    label->setAlignment(Qt::AlignCenter);
    label->setMinimumWidth(label->fontMetrics().horizontalAdvance(QStringLiteral("00 00:00:00")) *
                           2);
    label->setCursor(Qt::PointingHandCursor);
    return label;
}
} // namespace

Setup::Setup(shared::Session& session, meterlink::MeterLink& link, meterlink::DisplayStream& stream,
             QWidget* panel, PcClock pcClock)
    : QDialog(panel), session_(session), link_(link), stream_(stream),
      pcClock_(std::move(pcClock)) {
    setObjectName(QStringLiteral("Setup"));
    setWindowTitle(QStringLiteral("Setup"));
    setModal(true);

    FrameTime = new QGroupBox(QStringLiteral("Time"), this);
    FrameTime->setObjectName(QStringLiteral("FrameTime"));
    LblMeterTime = clockLabel(QStringLiteral("LblMeterTime"), kMeterTimeCaption, FrameTime);
    LblPCTime = clockLabel(QStringLiteral("LblPCTime"), kPcTimeCaption, FrameTime);
    LblMeterTime->installEventFilter(this);
    LblPCTime->installEventFilter(this);
    auto* clocks = new QVBoxLayout(FrameTime);
    clocks->addWidget(LblMeterTime);
    clocks->addWidget(LblPCTime);

    CmdSetTime = new QPushButton(QStringLiteral("Set Meter Time To System Time"), this);
    CmdSetTime->setObjectName(QStringLiteral("CmdSetTime"));
    CmdExit = new QPushButton(QStringLiteral("Exit"), this);
    CmdExit->setObjectName(QStringLiteral("CmdExit"));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(CmdSetTime);
    buttons->addWidget(CmdExit);
    auto* column = new QVBoxLayout(this);
    column->addWidget(FrameTime);
    column->addLayout(buttons);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(kTickMs);

    platform::placeCentredOn(*this, panel, kTopOffset);

    QObject::connect(Timer1, &QTimer::timeout, this, &Setup::Timer1Tick);
    QObject::connect(CmdExit, &QPushButton::clicked, this, &QDialog::close);
    // A click during another exchange's wait starts once that exchange has returned.
    QObject::connect(CmdSetTime, &QPushButton::clicked, this, [this] {
        link_.exchanges().request(QStringLiteral("Setup.CmdSetTime"), this,
                                  [this] { CmdSetTimeClick(); });
    });
    QObject::connect(this, &QDialog::finished, this, [this] {
        Timer1->stop();
        pause_.reset();
    });
    Timer1->start();
}

bool Setup::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease) {
        if (watched == LblMeterTime)
            ShowMeterTime = !ShowMeterTime;
        else if (watched == LblPCTime)
            ShowPCTime = !ShowPCTime;
    }
    return QDialog::eventFilter(watched, event);
}

void Setup::Timer1Tick() {
    if (session_.display.status.IntvOn) {
        close();
        return;
    }
    if (ShowMeterTime) {
        QPointer<Setup> self(this);
        showMeterTime();
        if (!self)
            return;
    } else {
        LblMeterTime->setText(kMeterTimeCaption);
    }
    LblPCTime->setText(ShowPCTime ? pcClockText(pcClock_()) : kPcTimeCaption);
}

void Setup::showMeterTime() {
    // The meter is talked to from here instead.
    if (!pause_)
        pause_.emplace(stream_);
    QPointer<Setup> self(this);
    // Skipped while another exchange holds the link; the label keeps its last reading.
    link_.exchanges().tryRun([&] {
        const std::optional<QByteArray> frame = ReadClockFrame(link_);
        if (frame && self)
            self->LblMeterTime->setText(meterClockText(*frame));
    });
}

void Setup::CmdSetTimeClick() {
    Timer1->stop();
    QPointer<Setup> self(this);
    {
        meterlink::ExchangeQueue::Exchange exchange(link_.exchanges());
        // The PC's time is read as the four bytes go out, after the exchange's own waits, so
        // the meter is not set a quarter second behind.
        if (!meterlink::SendMeterSetting(link_, 'T',
                                         [clock = pcClock_] { return clockSetBytes(clock()); }))
            return;
    }
    // Closed meanwhile: its unload stopped the timer for good.
    if (self && self->isVisible())
        Timer1->start();
}

} // namespace recording
