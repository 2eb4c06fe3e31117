#pragma once

#include <QByteArray>
#include <QMap>

#include <algorithm>
#include <array>
#include <bitset>
#include <chrono>
#include <optional>
#include <utility>

namespace sim {

// One annunciator of the meter's LCD. The value is the flag's position in the six status bytes
// of a display frame (status byte index * 8 + bit), so the encoder needs no second table.
enum class Flag : int {
    RelOn = 0,
    CompOn,
    CalOn,
    ZeroOn,
    UpperAvgOn,
    HoldOn,
    RefOn,
    UpperPercentOn,
    FcHourOn = 8,
    LxHourOn,
    CdOn,
    FcOn,
    LxOn,
    LightOn,
    SmallPlusOn,
    StrayOn,
    CommaOn = 16,
    BatteryOn,
    BigPlusOn,
    NegativeOn,
    AutoRangeOn,
    CycleOn,
    ReadOn,
    LowerAvgOn,
    NoOn = 24,
    StartOn,
    IntvOn,
    StopOn,
    DayHourOn,
    MinSecOn,
    TimeHoldOn,
    LowerPercentOn,
    FtOn = 32,
    MetreOn,
    MainPoint1On,
    MainPoint2On,
    MainPoint3On,
    SubPoint1On,
    SubPoint2On,
    SubPoint3On,
    DateDotOn = 40,
    TimeDotOn,
    MemOn,
    SetUpOn,
    // Bit 4 of the last status byte drives no annunciator.
    ClearOn = 45,
    ScfOn,
};

inline constexpr int kStatusBytes = 6;
inline constexpr int kStatusBits = kStatusBytes * 8;
inline constexpr int kFlagCount = 46;

// Every annunciator, in frame order.
extern const std::array<Flag, kFlagCount> kAllFlags;

// The annunciator's name as the panel knows it ("HoldOn"), or nullptr for no flag.
const char* flagName(Flag flag);
std::optional<Flag> flagFromName(const QByteArray& name);

// A snapshot of everything the LCD shows. A blank digit position is ' '.
struct DisplayState {
    std::array<char, 2> memory{' ', ' '};
    std::array<char, 6> main{' ', ' ', ' ', ' ', ' ', '0'};
    bool overload = false;
    int decimals = 0; // digits right of the main point, 0..3
    std::array<char, 4> time{'0', '0', '0', '0'};
    std::bitset<kStatusBits> flags;

    bool test(Flag f) const { return flags.test(static_cast<int>(f)); }
    void set(Flag f, bool on = true) { flags.set(static_cast<int>(f), on); }
};

// The main field of a reading after auto-ranging.
struct MainField {
    std::array<char, 6> digits{' ', ' ', ' ', ' ', ' ', '0'};
    int decimals = 0;
    bool overload = false;
};

// Picks the decimal point that shows the value with as many digits as five positions allow, and
// overloads when even six whole digits cannot hold it (or it exceeds fullScale).
MainField rangeReading(double value, double fullScale);

inline constexpr double kLuxPerFootCandle = 10.764;
inline constexpr double kMaxLux = 999999.0;
inline constexpr double kMaxFootCandles = 99999.0;
inline constexpr quint32 kLoggerEmptyEnd = 1535;

// The light on the working plane of a 9.6 m x 7.2 m room lit by 4 x 3 ceiling lamps 2.4 m apart
// and a window along the wall at y = 0, in lux, at x, y metres from the room's corner: the room a
// lighting survey walks.
double roomLight(double x, double y);
inline constexpr quint32 kLoggerLastAddress = 0x1FFFF;

// The meter itself: its display, its modes, its logger and how it reacts to the bytes it
// receives. It holds no clock: every call that depends on time is given the current time, so
// tests can run it in virtual time.
// Its members are defined by family: meter_commands.cpp (the line, commands and data blocks),
// meter_display.cpp (the LCD), meter_logger.cpp (the logger memory) and meter_model.cpp (the
// light, the clock and the modes as time passes).
class MeterModel {
public:
    using Clock = std::chrono::steady_clock;
    using TimePoint = Clock::time_point;
    using Duration = Clock::duration;

    explicit MeterModel(quint64 seed = 0x5eed);

    // One byte from the line; returns the bytes the meter answers with (usually none). A deaf
    // meter counts the byte but does not act on it.
    QByteArray receive(quint8 byte, TimePoint now, bool deaf = false);
    // Acts on a command letter as if pressed or received, without counting it.
    QByteArray command(char letter, TimePoint now);

    bool isStreaming(TimePoint now) const;
    bool isPoweredOff(TimePoint now) const;
    // The line went away: the display stream stops until the next "M".
    void stopStream() { streaming_ = false; }

    DisplayState display(TimePoint now);

    // The illuminance the meter measures, in lux: the sensor's after calibration.
    double lightAt(TimePoint t) const;
    void setBaseReading(double lux) { baseLux_ = lux; }
    void setFixedReading(double lux) { fixedLux_ = lux; }
    void clearFixedReading() { fixedLux_.reset(); }
    std::optional<double> fixedReading() const { return fixedLux_; }
    // Where the meter stands in the simulated room (metres): it then reads roomLight there,
    // steadily, unless a fixed reading overrides it.
    void setSurveyPosition(double x, double y) { surveyPosition_ = {x, y}; }
    void clearSurveyPosition() { surveyPosition_.reset(); }

    bool flag(Flag f) const { return flags_.test(static_cast<int>(f)); }
    void setFlag(Flag f, bool on) { flags_.set(static_cast<int>(f), on); }

    int memoryNumber() const { return memoryNumber_; }
    std::optional<double> storedReading(int memoryNumber) const;

    // The meter's own clock; the display shows hours and minutes. It runs on from the moment it
    // was set, into the next day at midnight.
    void setClock(int dayOfMonth, int secondsOfDay, TimePoint now);
    int clockSecondsOfDay(TimePoint now) const;
    int clockDayOfMonth(TimePoint now) const;

    void setPowerOffDuration(Duration d) { powerOffDuration_ = d; }
    void setLoggingInterval(std::chrono::seconds interval) {
        loggingInterval_ = std::max(interval, std::chrono::seconds(1));
    }

    // Address of the last logger byte in use; kLoggerEmptyEnd when nothing is logged.
    quint32 loggerEndAddress() const { return kLoggerEmptyEnd + quint32(logger_.size()); }
    // Logger bytes from the first set's address on.
    const QByteArray& loggerMemory() const { return logger_; }
    // Replaces the logger's contents (cut to its capacity), as if the meter had logged them.
    void loadLoggerMemory(const QByteArray& memory);
    // Fills the logger with sets of this many records, one after the other from now on, until
    // no further set fits.
    void fillLoggerMemory(int recordsPerSet, TimePoint now);
    // Replaces the logger's contents with two short sets logged the day before the clock's
    // first day (the 31st): 90 records of the room every 2 s from 14:30:00, and 72 of a
    // lamp-lit night every 5 s from 23:58:00, past midnight. Something to download at once.
    void loadSampleSets();
    // The next memory dump ("Q") stops after this many bytes, as a broken transfer would.
    void cutNextDump(qsizetype keptBytes) { dumpCut_ = std::max<qsizetype>(keptBytes, 0); }

    // The settings "S" and "I" write: the hold time in seconds, the light-source distance in
    // hundredths of a metre or foot.
    int holdSeconds() const { return holdSeconds_; }
    int distance() const { return distance_; }
    // "V": comparator flags and limits, as "Z" reports them.
    quint8 comparatorFlags() const { return comparatorFlags_; }
    int highLimit() const { return highLimit_; }
    int lowLimit() const { return lowLimit_; }
    // "i" writes and "j" restores the calibration factor x 1000, which scales every reading;
    // "c" writes and "e" restores the SCF factor x 1000 and its count setting (0..19).
    int calibration() const { return calibration_; }
    int scf() const { return scf_; }
    int scfCount() const { return scfCount_; }

    int commandCount(char letter) const { return counts_[quint8(letter)]; }
    QMap<char, int> commandCounts() const;
    void resetCommandCounts() { counts_.fill(0); }

    static constexpr int kInitialCalibration = 1000;
    static constexpr int kInitialScf = 1000;
    static constexpr int kInitialScfCount = 10; // "U0"

private:
    // The illuminance reaching the sensor, in lux.
    double sensorLight(TimePoint t) const;
    void advance(TimePoint now);
    // "T" sets the clock, "W" the logger interval, "S" the hold time, "I" the distance, "V" the
    // comparator, "i" the calibration and "c" the SCF; a block out of range changes nothing.
    void applyDataBlock(TimePoint now);
    // Seconds from the start of the day the clock was set on; beyond 86400 on later days.
    long long clockSecondsSinceDayStart(TimePoint now) const;
    void syncModeCaptures(TimePoint now);
    // The reading in lux after averaging, infinite beyond the sensor's range.
    double luxValue(TimePoint now) const;
    void leaveModes();
    void openLoggerSet(TimePoint now);
    void appendSetHeader(int dayOfMonth, int secondsOfDay, int intervalSeconds);
    void appendRecord(double lux);
    // The reply to "Q": lead bytes, the logger's memory, a trailing byte.
    QByteArray loggerDump();

    quint64 seed_;
    double baseLux_ = 350.0;
    std::optional<double> fixedLux_;
    std::optional<std::pair<double, double>> surveyPosition_;
    std::bitset<kStatusBits> flags_;

    bool streaming_ = false;
    std::optional<TimePoint> powerOffUntil_;
    Duration powerOffDuration_ = std::chrono::seconds(3);

    int pendingData_ = 0;
    char blockLetter_ = 0;
    QByteArray block_;
    TimePoint dataStartedAt_{};
    std::array<int, 256> counts_{};

    std::optional<double> held_;
    std::optional<double> percentReference_;
    std::optional<TimePoint> avgNextSample_;
    double avgSum_ = 0.0;
    int avgCount_ = 0;

    int memoryNumber_ = 1;
    std::array<std::optional<double>, 100> memories_{};

    // The meter's calendar knows no months: the day of the month runs 1..31 and starts again.
    static constexpr int kDaysInClock = 31;
    std::optional<TimePoint> clockEpoch_;
    int clockDay_ = 1;
    int clockSecondsAtEpoch_ = 12 * 3600;

    QByteArray logger_;
    bool loggingSetOpen_ = false;
    std::optional<TimePoint> nextRecordAt_;
    std::chrono::seconds loggingInterval_{2};
    std::optional<qsizetype> dumpCut_;

    int holdSeconds_ = 0;
    int distance_ = 100;
    // Lux with one decimal place; limits 100.0 and 10.0.
    quint8 comparatorFlags_ = 0x42;
    int highLimit_ = 1000;
    int lowLimit_ = 100;
    int calibration_ = kInitialCalibration;
    int scf_ = kInitialScf;
    int scfCount_ = kInitialScfCount;
};

} // namespace sim
