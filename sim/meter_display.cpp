// What the meter's LCD shows: its annunciators by name, the reading ranged into the main field,
// and the whole display at one moment.
#include "sim/meter_model.h"

#include <cmath>
#include <limits>

namespace sim {

namespace {

constexpr std::array<const char*, kStatusBits> kNames = {
    "RelOn",        "CompOn",         "CalOn",       "ZeroOn",      "UpperAvgOn",   "HoldOn",
    "RefOn",        "UpperPercentOn", "FcHourOn",    "LxHourOn",    "CdOn",         "FcOn",
    "LxOn",         "LightOn",        "SmallPlusOn", "StrayOn",     "CommaOn",      "BatteryOn",
    "BigPlusOn",    "NegativeOn",     "AutoRangeOn", "CycleOn",     "ReadOn",       "LowerAvgOn",
    "NoOn",         "StartOn",        "IntvOn",      "StopOn",      "DayHourOn",    "MinSecOn",
    "TimeHoldOn",   "LowerPercentOn", "FtOn",        "MetreOn",     "MainPoint1On", "MainPoint2On",
    "MainPoint3On", "SubPoint1On",    "SubPoint2On", "SubPoint3On", "DateDotOn",    "TimeDotOn",
    "MemOn",        "SetUpOn",        nullptr,       "ClearOn",     "ScfOn",        nullptr,
};

} // namespace

const std::array<Flag, kFlagCount> kAllFlags = [] {
    std::array<Flag, kFlagCount> all{};
    int n = 0;
    for (int i = 0; i < kStatusBits; ++i) {
        if (kNames[i])
            all[n++] = static_cast<Flag>(i);
    }
    return all;
}();

const char* flagName(Flag flag) {
    const int i = static_cast<int>(flag);
    return i >= 0 && i < kStatusBits ? kNames[i] : nullptr;
}

std::optional<Flag> flagFromName(const QByteArray& name) {
    for (Flag f : kAllFlags) {
        if (name.compare(flagName(f), Qt::CaseInsensitive) == 0)
            return f;
    }
    return std::nullopt;
}

MainField rangeReading(double value, double fullScale) {
    MainField field;
    if (!(value >= 0.0)) // NaN and negative light read as zero
        value = 0.0;
    if (value > fullScale || !std::isfinite(value)) {
        field.overload = true;
        field.digits.fill(' ');
        return field;
    }
    // Five digits with the finest point that holds them; above that, whole numbers in six.
    long long n = 0;
    int decimals = 3;
    for (; decimals >= 0; --decimals) {
        n = std::llround(value * std::pow(10.0, decimals));
        if (n <= 99999)
            break;
    }
    if (decimals < 0) {
        decimals = 0;
        n = std::llround(value);
    }
    if (n > 999999) {
        field.overload = true;
        field.digits.fill(' ');
        return field;
    }
    QByteArray text = QByteArray::number(n);
    // A reading below one keeps its leading zero ("0.500").
    if (text.size() < decimals + 1)
        text.prepend(QByteArray(decimals + 1 - text.size(), '0'));
    field.digits.fill(' ');
    const int offset = 6 - int(text.size());
    for (int i = 0; i < text.size(); ++i)
        field.digits[offset + i] = text[i];
    field.decimals = decimals;
    return field;
}

DisplayState MeterModel::display(TimePoint now) {
    DisplayState d;
    if (isPoweredOff(now)) {
        d.main.fill(' ');
        d.time.fill(' ');
        return d;
    }
    advance(now);
    d.flags = flags_;

    double lux = held_ ? *held_ : luxValue(now);
    if (flag(Flag::ReadOn)) {
        lux = memories_[memoryNumber_].value_or(0.0);
        d.memory = {char('0' + memoryNumber_ / 10), char('0' + memoryNumber_ % 10)};
    }

    double value = lux;
    double fullScale = kMaxLux;
    if (flag(Flag::UpperPercentOn)) {
        // A percentage has no unit of light; the reference is the reading when "%" was pressed.
        const double ref = percentReference_.value_or(0.0);
        value = ref > 0.0 && std::isfinite(ref) ? 100.0 * lux / ref
                                                : std::numeric_limits<double>::infinity();
        d.set(Flag::LxOn, false);
        d.set(Flag::FcOn, false);
    } else if (flag(Flag::FcOn)) {
        value = lux / kLuxPerFootCandle;
        fullScale = kMaxFootCandles;
    }

    const MainField field = rangeReading(value, fullScale);
    d.main = field.digits;
    d.decimals = field.decimals;
    d.overload = field.overload;

    const int clock = clockSecondsOfDay(now);
    const int hh = clock / 3600;
    const int mm = clock / 60 % 60;
    d.time = {char('0' + hh / 10), char('0' + hh % 10), char('0' + mm / 10), char('0' + mm % 10)};
    return d;
}

} // namespace sim
