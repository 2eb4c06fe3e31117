#pragma once

#include "sim/meter_model.h"

#include <QByteArray>

namespace sim {

inline constexpr int kDisplayFrameSize = 14;
inline constexpr int kPollFrameSize = 6;
inline constexpr int kClockFrameSize = 8;
inline constexpr int kSettingsFrameSize = 9;
inline constexpr char kStx = 0x02;
inline constexpr char kEtx = 0x03;

// The 14-byte snapshot the meter streams after "M": STX, memory byte, three main bytes, two time
// bytes, six status bytes, ETX. Digits travel one per nibble, the left one high; 0xA is a blank.
QByteArray encodeDisplayFrame(const DisplayState& state);

// The reply to "A": STX, 0xAA, a 24-bit value high byte first, ETX.
QByteArray encodePollFrame(quint32 value);

// 0..99 in packed BCD: the tens in the high nibble, the units in the low one.
char bcdByte(int value);

// What the meter's clock and logger interval read at one moment.
struct ClockReading {
    int dayOfMonth = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int intervalMinutes = 0;
    int intervalSeconds = 0;
};

// The reply to "Y": STX, day, hour, minutes, seconds, logger interval minutes and seconds, each
// one BCD byte, ETX.
QByteArray encodeClockFrame(const ClockReading& clock);

// What the meter's settings read at one moment.
struct SettingsReading {
    int distance = 0; // light-source distance in hundredths, 0..999
    quint8 comparatorFlags = 0;
    int highLimit = 0; // 0..9999
    int lowLimit = 0;
};

// The reply to "Z": STX, distance, comparator flags, high and low limit, ETX; the three numbers
// in two bytes each, high byte first.
QByteArray encodeSettingsFrame(const SettingsReading& settings);

} // namespace sim
