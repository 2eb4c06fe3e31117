// The meter's side of the line: bytes received, the command letters they make, and the data
// blocks that follow some of them.
#include "sim/meter_model.h"

#include "sim/display_frame.h"

namespace sim {

namespace {

using namespace std::chrono_literals;

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

// A packed BCD byte's value, or nothing when a nibble is not a decimal digit.
std::optional<int> fromBcd(char byte) {
    const int high = quint8(byte) >> 4;
    const int low = quint8(byte) & 0x0F;
    if (high > 9 || low > 9)
        return std::nullopt;
    return high * 10 + low;
}
} // namespace

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

void MeterModel::leaveModes() {
    for (Flag f : kModeFlags)
        setFlag(f, false);
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

} // namespace sim
