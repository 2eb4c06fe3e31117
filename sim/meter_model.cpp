#include "sim/meter_model.h"

#include "sim/display_frame.h"

#include <cmath>
#include <limits>
#include <numbers>

namespace sim {

namespace {

using namespace std::chrono_literals;

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

// Everything "H" (and a power cycle) leaves: the meter returns to its plain reading.
constexpr std::array kModeFlags = {
    Flag::RelOn,   Flag::CompOn,  Flag::CalOn,          Flag::ZeroOn,     Flag::UpperAvgOn,
    Flag::HoldOn,  Flag::RefOn,   Flag::UpperPercentOn, Flag::FcHourOn,   Flag::LxHourOn,
    Flag::CdOn,    Flag::ReadOn,  Flag::LowerAvgOn,     Flag::IntvOn,     Flag::StartOn,
    Flag::StopOn,  Flag::CycleOn, Flag::NoOn,           Flag::TimeHoldOn, Flag::LowerPercentOn,
    Flag::SetUpOn, Flag::ClearOn,
};

// Letters whose data block follows them; its bytes are not commands. A block that does not
// arrive within the timeout is given up, as the meter would.
int dataBlockLength(quint8 letter) {
    switch (letter) {
    case 'S':
    case 'I':
    case 'W':
    case 'i':
        return 2;
    case 'c':
        return 3;
    case 'T':
        return 4;
    case 'V':
        return 5;
    default:
        return 0;
    }
}
constexpr auto kDataBlockTimeout = 500ms;
// The memory dump's lead bytes before the memory's first byte; one trailing byte follows it.
constexpr int kDumpLeadBytes = 15;
constexpr int kMaxDistance = 999;
constexpr int kMaxLimit = 9999;
constexpr int kMinCalibration = 800;
constexpr int kMaxCalibration = 1500;
constexpr int kMinScf = 200;
constexpr int kMaxScf = 5000;
constexpr int kScfCounts = 20;

QByteArray fourBytes(char a, char b, char c, char d) {
    const char bytes[] = {a, b, c, d};
    return QByteArray(bytes, 4);
}

int twoBytes(const QByteArray& block, int at) {
    return quint8(block.at(at)) << 8 | quint8(block.at(at + 1));
}

// Exactly one decimal position (bits 0..4) and exactly one unit (bit 5 foot-candles, bit 6 lux).
bool validComparatorFlags(quint8 flags) {
    const int code = flags & 0x1F;
    const int unit = flags & 0xE0;
    return code != 0 && (code & (code - 1)) == 0 && (unit == 0x20 || unit == 0x40);
}

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

// A packed BCD byte's value, or nothing when a nibble is not a decimal digit.
std::optional<int> fromBcd(char byte) {
    const int high = quint8(byte) >> 4;
    const int low = quint8(byte) & 0x0F;
    if (high > 9 || low > 9)
        return std::nullopt;
    return high * 10 + low;
}

// The meter's calendar knows no months: the day of the month runs 1..31 and starts again.
constexpr int kDaysInClock = 31;
constexpr long long kSecondsPerDay = 86400;

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

MeterModel::MeterModel(quint64 seed) : seed_(seed) {
    setFlag(Flag::LxOn, true);
    setFlag(Flag::AutoRangeOn, true);
    setFlag(Flag::TimeDotOn, true);
}

QByteArray MeterModel::receive(quint8 byte, TimePoint now, bool deaf) {
    if (pendingData_ > 0 && now - dataStartedAt_ <= kDataBlockTimeout) {
        block_.append(char(byte));
        if (--pendingData_ == 0)
            applyDataBlock(now);
        return {};
    }
    pendingData_ = 0;
    ++counts_[byte];
    if (deaf || isPoweredOff(now))
        return {};
    pendingData_ = dataBlockLength(byte);
    blockLetter_ = char(byte);
    block_.clear();
    dataStartedAt_ = now;
    return command(char(byte), now);
}

QByteArray MeterModel::command(char letter, TimePoint now) {
    if (isPoweredOff(now))
        return {};
    advance(now);
    auto toggle = [this](Flag f) { setFlag(f, !flag(f)); };
    QByteArray reply;
    switch (letter) {
    case 'A':
        reply = encodePollFrame(loggerEndAddress());
        break;
    case 'M':
        streaming_ = true;
        break;
    case 'Y': {
        const int clock = clockSecondsOfDay(now);
        const auto interval = int(loggingInterval_.count());
        reply = encodeClockFrame({clockDayOfMonth(now), clock / 3600, clock / 60 % 60, clock % 60,
                                  interval / 60, interval % 60});
        break;
    }
    case 'Z':
        reply = encodeSettingsFrame({distance_, comparatorFlags_, highLimit_, lowLimit_});
        break;
    case 'h':
        reply = fourBytes(kStx, char(calibration_ >> 8), char(calibration_ & 0xFF), kEtx);
        break;
    case 'j':
        calibration_ = kInitialCalibration;
        break;
    case 'a':
        reply = fourBytes(kStx, char(scfCount_), char(scf_ >> 8), char(scf_ & 0xFF));
        break;
    case 'e':
        scf_ = kInitialScf;
        scfCount_ = kInitialScfCount;
        break;
    case 'Q':
        // The meter turns from its display to its memory: the stream stops until the next "M".
        streaming_ = false;
        reply = loggerDump();
        break;
    case 'E':
        logger_.clear();
        loggingSetOpen_ = false;
        break;
    case 'O':
        leaveModes();
        streaming_ = false;
        powerOffUntil_ = now + powerOffDuration_;
        break;
    case 'H':
        leaveModes();
        break;
    case 'F': {
        const bool fc = flag(Flag::FcOn);
        setFlag(Flag::FcOn, !fc);
        setFlag(Flag::LxOn, fc);
        break;
    }
    case 'G':
        toggle(Flag::UpperPercentOn);
        break;
    case 'D':
        toggle(Flag::UpperAvgOn);
        break;
    case 'X':
        toggle(Flag::CompOn);
        break;
    case 'C':
        toggle(Flag::HoldOn);
        break;
    case 'L':
        toggle(Flag::ReadOn);
        break;
    case 'P':
        toggle(Flag::IntvOn);
        break;
    case 'J':
        memories_[memoryNumber_] = flag(Flag::HoldOn) && held_ ? *held_ : lightAt(now);
        memoryNumber_ = memoryNumber_ % 99 + 1;
        break;
    case 'K':
        if (flag(Flag::ReadOn))
            memoryNumber_ = memoryNumber_ % 99 + 1;
        break;
    case 'N':
        if (flag(Flag::ReadOn))
            memoryNumber_ = memoryNumber_ == 1 ? 99 : memoryNumber_ - 1;
        break;
    default:
        break;
    }
    // Hold, percent and averaging take their starting value at the moment of the key.
    advance(now);
    return reply;
}

bool MeterModel::isStreaming(TimePoint now) const {
    return streaming_ && !isPoweredOff(now);
}

bool MeterModel::isPoweredOff(TimePoint now) const {
    return powerOffUntil_ && now < *powerOffUntil_;
}

void MeterModel::leaveModes() {
    for (Flag f : kModeFlags)
        setFlag(f, false);
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

void MeterModel::applyDataBlock(TimePoint now) {
    // Binary blocks: a value out of its range leaves the setting alone.
    switch (blockLetter_) {
    case 'I':
        if (const int distance = twoBytes(block_, 0); distance <= kMaxDistance)
            distance_ = distance;
        return;
    case 'V': {
        const int high = twoBytes(block_, 1);
        const int low = twoBytes(block_, 3);
        if (validComparatorFlags(quint8(block_.at(0))) && high <= kMaxLimit && low <= kMaxLimit) {
            comparatorFlags_ = quint8(block_.at(0));
            highLimit_ = high;
            lowLimit_ = low;
        }
        return;
    }
    case 'i':
        if (const int code = twoBytes(block_, 0);
            code >= kMinCalibration && code <= kMaxCalibration)
            calibration_ = code;
        return;
    case 'c':
        if (const int code = twoBytes(block_, 1);
            quint8(block_.at(0)) < kScfCounts && code >= kMinScf && code <= kMaxScf) {
            scfCount_ = quint8(block_.at(0));
            scf_ = code;
        }
        return;
    default:
        break;
    }
    if (blockLetter_ != 'T' && blockLetter_ != 'W' && blockLetter_ != 'S')
        return;
    // A block with a field that is not BCD, or out of its range, leaves the setting alone.
    std::array<int, 4> v{};
    for (qsizetype i = 0; i < block_.size(); ++i) {
        const std::optional<int> field = fromBcd(block_.at(i));
        if (!field)
            return;
        v[i] = *field;
    }
    if (blockLetter_ == 'T' && v[0] >= 1 && v[0] <= kDaysInClock && v[1] < 24 && v[2] < 60 &&
        v[3] < 60)
        setClock(v[0], v[1] * 3600 + v[2] * 60 + v[3], now);
    else if (blockLetter_ == 'W' && v[1] < 60)
        setLoggingInterval(std::chrono::seconds(v[0] * 60 + v[1]));
    else if (blockLetter_ == 'S' && v[0] < 60 && v[1] < 60)
        holdSeconds_ = v[0] * 60 + v[1];
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

void MeterModel::openLoggerSet(TimePoint now) {
    constexpr int kHeader = 10;
    constexpr int kRecord = 3;
    if (kLoggerEmptyEnd + quint32(logger_.size()) + kHeader + kRecord > kLoggerLastAddress) {
        setFlag(Flag::IntvOn, false); // memory full: the meter refuses to start a set
        return;
    }
    const int clock = clockSecondsOfDay(now);
    const auto interval = int(loggingInterval_.count());
    const char header[kHeader] = {0x00,
                                  char(0x55),
                                  char(0xAA),
                                  0x00,
                                  bcdByte(clockDayOfMonth(now)),
                                  bcdByte(clock / 3600),
                                  bcdByte(clock / 60 % 60),
                                  bcdByte(clock % 60),
                                  bcdByte(interval / 60),
                                  bcdByte(interval % 60)};
    logger_.append(header, kHeader);
    loggingSetOpen_ = true;
    appendRecord(lightAt(now));
    nextRecordAt_ = now + loggingInterval_;
}

void MeterModel::appendRecord(double lux) {
    if (kLoggerEmptyEnd + quint32(logger_.size()) + 3 > kLoggerLastAddress) {
        setFlag(Flag::IntvOn, false);
        loggingSetOpen_ = false;
        return;
    }
    // The range byte names the scale of the 16-bit value: bit 1 is thousandths of a lux, each
    // next bit ten times coarser. The finest scale that fits keeps the most digits.
    lux = std::clamp(lux, 0.0, 6553500.0);
    int bit = 1;
    long long v = 0;
    for (double scale = 0.001; bit <= 6; ++bit, scale *= 10.0) {
        v = std::llround(lux / scale);
        if (v <= 65535)
            break;
    }
    bit = std::min(bit, 6);
    v = std::min<long long>(v, 65535);
    const char record[3] = {char(v >> 8), char(v & 0xFF), char(1 << bit)};
    logger_.append(record, 3);
}

QByteArray MeterModel::loggerDump() {
    QByteArray dump(kDumpLeadBytes, '\0');
    dump[0] = kStx;
    dump += logger_;
    dump += kEtx;
    if (dumpCut_) {
        dump.truncate(*dumpCut_);
        dumpCut_.reset();
    }
    return dump;
}

void MeterModel::loadLoggerMemory(const QByteArray& image) {
    logger_ = image.left(kLoggerLastAddress - kLoggerEmptyEnd);
    loggingSetOpen_ = false;
}

void MeterModel::fillLoggerMemory(int recordsPerSet, TimePoint now) {
    const int kept = std::max(recordsPerSet, 1);
    const bool logging = flag(Flag::IntvOn);
    // Sets logged one after the other, as if the logger had run for days.
    for (auto t = now; loggerEndAddress() + 13 <= kLoggerLastAddress;) {
        setFlag(Flag::IntvOn, true);
        openLoggerSet(t);
        for (int i = 1; i < kept && loggingSetOpen_; ++i)
            appendRecord(lightAt(t + loggingInterval_ * i));
        t += loggingInterval_ * (kept + 60);
        loggingSetOpen_ = false;
    }
    setFlag(Flag::IntvOn, logging);
    nextRecordAt_.reset();
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
