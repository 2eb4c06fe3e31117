#pragma once

#include "link/display_model.h"
#include "link/link_state.h"
#include "survey/survey_data.h"

#include <QElapsedTimer>
#include <QObject>
#include <QStringList>

class QTimer;

namespace survey {

// How often a capture samples the panel's reading while it averages.
inline constexpr int kSampleIntervalMs = 100;

// One point measured from the reading the panel shows: at once, or sampled over the survey's
// averaging time and averaged. A reading that captureRefusal turns down, at the start or while
// averaging, ends the capture without a point.
class PointCapture : public QObject {
    Q_OBJECT
public:
    PointCapture(const meterlink::DisplayModel& display, const meterlink::LinkState& link,
                 const SurveyGrid& grid, QObject* parent);

    bool running() const { return running_; }
    // measured() or refused() follows; before this returns when there is nothing to average.
    void start(GridPoint p);
    void stop();

Q_SIGNALS:
    void measured(survey::GridPoint p, const QString& text, survey::LightUnit unit);
    void refused(const QString& text, const QString& detail);

private:
    void sample();
    void finish();

    const meterlink::DisplayModel& display_;
    const meterlink::LinkState& link_;
    const SurveyGrid& grid_;
    bool running_ = false;
    GridPoint target_;
    LightUnit unit_ = LightUnit::Lux;
    QStringList samples_;
    QElapsedTimer clock_;
    QTimer* sampler_;
};

} // namespace survey
