#include "sim/meter_model.h"

#include <cmath>
#include <limits>
#include <numbers>

namespace sim {

namespace {

using namespace std::chrono_literals;

constexpr auto kAverageStep = 100ms;
// A jump in time beyond this is not worth averaging sample by sample.
constexpr int kMaxCatchUpSamples = 36000;

quint64 splitmix64(quint64 x) {
    x += 0x9e3779b97f4a7c15ull;
    x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ull;
    x = (x ^ (x >> 27)) * 0x94d049bb133111ebull;
    return x ^ (x >> 31);
}

double unitInterval(quint64 x) {
    return double(splitmix64(x) >> 11) / double(1ull << 53);
}

constexpr long long kSecondsPerDay = 86400;

} // namespace

MeterModel::MeterModel(quint64 seed) : seed_(seed) {
    setFlag(Flag::LxOn, true);
    setFlag(Flag::AutoRangeOn, true);
    setFlag(Flag::TimeDotOn, true);
}

bool MeterModel::isStreaming(TimePoint now) const {
    return streaming_ && !isPoweredOff(now);
}

bool MeterModel::isPoweredOff(TimePoint now) const {
    return powerOffUntil_ && now < *powerOffUntil_;
}

double MeterModel::lightAt(TimePoint t) const {
    // The calibration factor scales what the sensor reports.
    return sensorLight(t) * calibration_ / kInitialCalibration;
}

double roomLight(double x, double y) {
    constexpr double kLampSpacing = 2.4;
    constexpr double kLampHeight = 2.0; // above the working plane
    constexpr double kLampCandela = 900.0;
    // Each lamp gives I cos^3(angle) / h^2 = I h / r^3.
    double lux = 0.0;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 3; ++j) {
            const double dx = x - (i + 0.5) * kLampSpacing;
            const double dy = y - (j + 0.5) * kLampSpacing;
            const double r = std::sqrt(dx * dx + dy * dy + kLampHeight * kLampHeight);
            lux += kLampCandela * kLampHeight / (r * r * r);
        }
    // Daylight from the window, fading into the room.
    return lux + 250.0 * std::exp(-std::max(y, 0.0) / 1.5);
}

double MeterModel::sensorLight(TimePoint t) const {
    if (fixedLux_)
        return *fixedLux_;
    if (surveyPosition_)
        return roomLight(surveyPosition_->first, surveyPosition_->second);
    const double s = std::chrono::duration<double>(t.time_since_epoch()).count();
    constexpr double tau = 2.0 * std::numbers::pi;
    auto phase = [this](int k) { return tau * unitInterval(seed_ * 7919 + quint64(k)); };
    // Slow clouds and a faster flicker of the room, at periods that never line up.
    const double drift = 1.0 + 0.12 * std::sin(tau * s / 47.0 + phase(1)) +
                         0.06 * std::sin(tau * s / 13.1 + phase(2)) +
                         0.025 * std::sin(tau * s / 5.3 + phase(3));
    // Sensor noise changes every 100 ms, as often as the meter converts.
    const auto slot = quint64(std::llround(std::floor(s * 10.0)));
    const double noise = (unitInterval(seed_ ^ (slot * 0x2545f4914f6cdd1dull)) - 0.5) * 0.008;
    return std::max(0.0, baseLux_ * drift * (1.0 + noise));
}

std::optional<double> MeterModel::storedReading(int memoryNumber) const {
    if (memoryNumber < 1 || memoryNumber > 99)
        return std::nullopt;
    return memories_[memoryNumber];
}

void MeterModel::setClock(int dayOfMonth, int secondsOfDay, TimePoint now) {
    clockDay_ = dayOfMonth;
    clockSecondsAtEpoch_ = ((secondsOfDay % 86400) + 86400) % 86400;
    clockEpoch_ = now;
}

long long MeterModel::clockSecondsSinceDayStart(TimePoint now) const {
    if (!clockEpoch_)
        return clockSecondsAtEpoch_;
    const auto elapsed = std::chrono::floor<std::chrono::seconds>(now - *clockEpoch_);
    return clockSecondsAtEpoch_ + elapsed.count();
}

int MeterModel::clockSecondsOfDay(TimePoint now) const {
    const long long s = clockSecondsSinceDayStart(now);
    return int(((s % kSecondsPerDay) + kSecondsPerDay) % kSecondsPerDay);
}

int MeterModel::clockDayOfMonth(TimePoint now) const {
    const long long s = clockSecondsSinceDayStart(now);
    const long long days = (s - clockSecondsOfDay(now)) / kSecondsPerDay;
    return int(((clockDay_ - 1 + days) % kDaysInClock + kDaysInClock) % kDaysInClock) + 1;
}

void MeterModel::advance(TimePoint now) {
    if (!clockEpoch_)
        clockEpoch_ = now;
    syncModeCaptures(now);

    if (avgNextSample_) {
        if (now - *avgNextSample_ > kAverageStep * kMaxCatchUpSamples)
            *avgNextSample_ = now - kAverageStep * kMaxCatchUpSamples;
        while (*avgNextSample_ <= now) {
            const double lux = lightAt(*avgNextSample_);
            avgSum_ += std::min(lux, kMaxLux);
            ++avgCount_;
            *avgNextSample_ += kAverageStep;
        }
    }

    if (flag(Flag::IntvOn)) {
        if (!loggingSetOpen_)
            openLoggerSet(now);
        while (loggingSetOpen_ && nextRecordAt_ && *nextRecordAt_ <= now) {
            appendRecord(lightAt(*nextRecordAt_));
            *nextRecordAt_ += loggingInterval_;
        }
    } else {
        loggingSetOpen_ = false;
        nextRecordAt_.reset();
    }
}

void MeterModel::syncModeCaptures(TimePoint now) {
    if (flag(Flag::UpperAvgOn) && !avgNextSample_) {
        avgNextSample_ = now;
        avgSum_ = 0.0;
        avgCount_ = 0;
    } else if (!flag(Flag::UpperAvgOn)) {
        avgNextSample_.reset();
    }
    if (flag(Flag::UpperPercentOn) && !percentReference_)
        percentReference_ = luxValue(now);
    else if (!flag(Flag::UpperPercentOn))
        percentReference_.reset();
    if (flag(Flag::HoldOn) && !held_)
        held_ = luxValue(now);
    else if (!flag(Flag::HoldOn))
        held_.reset();
}

double MeterModel::luxValue(TimePoint now) const {
    const double lux = lightAt(now);
    if (lux > kMaxLux)
        return std::numeric_limits<double>::infinity();
    if (flag(Flag::UpperAvgOn) && avgCount_ > 0)
        return avgSum_ / avgCount_;
    return lux;
}

QMap<char, int> MeterModel::commandCounts() const {
    QMap<char, int> counts;
    for (int i = 0; i < 256; ++i) {
        if (counts_[i] > 0)
            counts.insert(char(i), counts_[i]);
    }
    return counts;
}

} // namespace sim
