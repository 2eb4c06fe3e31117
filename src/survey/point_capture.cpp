#include "survey/point_capture.h"

#include "survey/capture.h"

#include <QTimer>

namespace survey {

PointCapture::PointCapture(const meterlink::DisplayModel& display, const meterlink::LinkState& link,
                           const SurveyGrid& grid, QObject* parent)
    : QObject(parent), display_(display), link_(link), grid_(grid), sampler_(new QTimer(this)) {
    sampler_->setObjectName(QStringLiteral("Sampler"));
    sampler_->setInterval(kSampleIntervalMs);
    connect(sampler_, &QTimer::timeout, this, &PointCapture::sample);
}

void PointCapture::start(GridPoint p) {
    if (const auto refusal = captureRefusal(display_, link_.LinkLost, grid_.unit())) {
        Q_EMIT refused(refusal->text, refusal->detail);
        return;
    }
    target_ = p;
    unit_ = *lightUnitFromText(display_.UnitText);
    samples_ = {display_.MainText};
    if (grid_.settings.averagingSeconds <= 0.0) {
        finish();
        return;
    }
    running_ = true;
    clock_.start();
    sampler_->start();
}

void PointCapture::stop() {
    sampler_->stop();
    running_ = false;
}

void PointCapture::sample() {
    if (const auto refusal =
            captureRefusal(display_, link_.LinkLost, grid_.unit().value_or(unit_))) {
        stop();
        Q_EMIT refused(refusal->text, refusal->detail);
        return;
    }
    samples_ << display_.MainText;
    // The averaging time as it is now: the user may change it while the point is measured.
    if (clock_.elapsed() >= qint64(grid_.settings.averagingSeconds * 1000.0))
        finish();
}

void PointCapture::finish() {
    stop();
    Q_EMIT measured(target_, averageReadingText(samples_), unit_);
}

} // namespace survey
