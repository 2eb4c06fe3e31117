// The logger memory: sets opened while logging runs, their records, the memory dump and the
// contents given to a test or to the simulated meter's user.
#include "sim/meter_model.h"

#include "sim/display_frame.h"

namespace sim {

namespace {

// The memory dump's lead bytes before the memory's first byte; one trailing byte follows it.
constexpr int kDumpLeadBytes = 15;

} // namespace

void MeterModel::openLoggerSet(TimePoint now) {
    constexpr int kHeader = 10;
    constexpr int kRecord = 3;
    if (kLoggerEmptyEnd + quint32(logger_.size()) + kHeader + kRecord > kLoggerLastAddress) {
        setFlag(Flag::IntvOn, false); // memory full: the meter refuses to start a set
        return;
    }
    appendSetHeader(clockDayOfMonth(now), clockSecondsOfDay(now), int(loggingInterval_.count()));
    loggingSetOpen_ = true;
    appendRecord(lightAt(now));
    nextRecordAt_ = now + loggingInterval_;
}

void MeterModel::appendSetHeader(int dayOfMonth, int secondsOfDay, int intervalSeconds) {
    const char header[] = {0x00,
                           char(0x55),
                           char(0xAA),
                           0x00,
                           bcdByte(dayOfMonth),
                           bcdByte(secondsOfDay / 3600),
                           bcdByte(secondsOfDay / 60 % 60),
                           bcdByte(secondsOfDay % 60),
                           bcdByte(intervalSeconds / 60),
                           bcdByte(intervalSeconds % 60)};
    logger_.append(header, sizeof header);
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

void MeterModel::loadSampleSets() {
    using std::chrono::seconds;
    logger_.clear();
    loggingSetOpen_ = false;
    // The room's own drifting light, three minutes of it from 14:30:00 every 2 s.
    appendSetHeader(31, 14 * 3600 + 30 * 60, 2);
    for (int i = 0; i < 90; ++i)
        appendRecord(sensorLight(TimePoint(seconds(2 * i))));
    // A lamp-lit night from 23:58:00 every 5 s: six minutes, into the 1st.
    appendSetHeader(31, 23 * 3600 + 58 * 60, 5);
    for (int i = 0; i < 72; ++i)
        appendRecord(0.04 * sensorLight(TimePoint(seconds(5 * i))));
}

} // namespace sim
