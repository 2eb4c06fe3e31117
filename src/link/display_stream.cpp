#include "link/display_stream.h"

#include "link/meter_link.h"

#include <QTimer>

namespace meterlink {

DisplayStream::DisplayStream(MeterLink& link, DisplayModel& model, QObject* timerOwner,
                             Cadence cadence)
    : link_(link), model_(model), timer_(new QTimer(timerOwner ? timerOwner : this)),
      cadence_(cadence) {
    timer_->setObjectName(QStringLiteral("Timer1"));
    if (cadence_ == Cadence::Panel) {
        timer_->setInterval(kPollingIntervalMs);
    } else {
        // Armed again after each frame, so frames are read one after the other.
        timer_->setSingleShot(true);
        timer_->setInterval(kQuietAfterFrameMs);
    }
    QObject::connect(timer_, &QTimer::timeout, this, &DisplayStream::Timer1Tick);
}

void DisplayStream::start() {
    started_ = true;
    updateTimer();
}

void DisplayStream::stop() {
    started_ = false;
    updateTimer();
}

bool DisplayStream::running() const {
    return timer_->isActive();
}

void DisplayStream::updateTimer() {
    if (!started_ || link_.shuttingDown() || (pauses_ > 0 && watches_ == 0))
        timer_->stop();
    else if (!timer_->isActive())
        timer_->start();
}

void DisplayStream::Timer1Tick() {
    if (pauses_ > 0 && watches_ == 0)
        return;
    // Skipped while an action talks to the meter, or while this tick is still inside a wait.
    link_.exchanges().tryRun([this] { watches_ > 0 ? watchStatus() : readFrame(); });
    if (cadence_ == Cadence::EveryFrame)
        updateTimer();
}

bool DisplayStream::announcedBanner() {
    const MeterStatus& s = model_.status;
    if (!s.SetUpOn && !s.ClearOn)
        return false;
    Q_EMIT bannerShown(s.SetUpOn ? QStringLiteral("SET UP") : QStringLiteral("CLEAR"));
    return true;
}

void DisplayStream::readFrame() {
    if (PollCounter == 0) {
        if (!link_.PollReading())
            return;
        link_.send(QByteArrayLiteral("M"));
    }
    const std::optional<QByteArray> frame = link_.ReadDisplayFrame();
    if (!frame)
        return;
    DecodeStatusBytes(*frame, model_);
    if (announcedBanner())
        return;
    const DisplayDigits digits = DecodeDisplayDigits(*frame, model_);
    Q_EMIT frameDecoded(digits);
    if (!digits.mainTextFormed)
        return;
    PollCounter = (PollCounter + 1) % kFramesPerPoll;
    Q_EMIT readingDecoded();
}

void DisplayStream::watchStatus() {
    // The stream the last full tick started: nothing is sent.
    const std::optional<QByteArray> frame = link_.ReadDisplayFrame();
    if (!frame)
        return;
    DecodeStatusBytes(*frame, model_);
    announcedBanner();
}

DisplayStream::Pause::Pause(DisplayStream& stream, Watching watching)
    : stream_(stream), watching_(watching) {
    ++stream_.pauses_;
    if (watching_ == Watching::SetUpBanner)
        ++stream_.watches_;
    stream_.updateTimer();
}

DisplayStream::Pause::~Pause() {
    --stream_.pauses_;
    if (watching_ == Watching::SetUpBanner)
        --stream_.watches_;
    stream_.updateTimer();
}

} // namespace meterlink
