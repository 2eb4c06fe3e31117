#pragma once

#include "sim/meter_model.h"

#include <QByteArray>

namespace sim {

inline constexpr int kDisplayFrameSize = 14;
inline constexpr int kPollFrameSize = 6;
inline constexpr char kStx = 0x02;
inline constexpr char kEtx = 0x03;

// The 14-byte snapshot the meter streams after "M": STX, memory byte, three main bytes, two time
// bytes, six status bytes, ETX. Digits travel one per nibble, the left one high; 0xA is a blank.
QByteArray encodeDisplayFrame(const DisplayState& state);

// The reply to "A": STX, 0xAA, a 24-bit value high byte first, ETX.
QByteArray encodePollFrame(quint32 value);

} // namespace sim
