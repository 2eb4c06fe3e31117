#include "sim/display_frame.h"

namespace sim {

namespace {

constexpr quint8 kBlankNibble = 0xA;

// A blank, or anything the LCD cannot draw, goes out as the blank nibble.
quint8 nibble(char c) {
    if (c >= '0' && c <= '9')
        return quint8(c - '0');
    if (c >= 'A' && c <= 'F')
        return quint8(c - 'A' + 10);
    if (c >= 'a' && c <= 'f')
        return quint8(c - 'a' + 10);
    return kBlankNibble;
}

char pack(char high, char low) {
    return char((nibble(high) << 4) | nibble(low));
}

} // namespace

QByteArray encodeDisplayFrame(const DisplayState& state) {
    QByteArray frame(kDisplayFrameSize, '\0');
    frame[0] = kStx;
    frame[1] = pack(state.memory[0], state.memory[1]);
    frame[2] = pack(state.main[0], state.main[1]);
    frame[3] = state.overload ? char(0xFF) : pack(state.main[2], state.main[3]);
    frame[4] = pack(state.main[4], state.main[5]);
    frame[5] = pack(state.time[0], state.time[1]);
    frame[6] = pack(state.time[2], state.time[3]);

    std::bitset<kStatusBits> bits = state.flags;
    // The point sits left of the last `decimals` digits; each position has its own segment.
    switch (state.decimals) {
    case 3:
        bits.set(int(Flag::MainPoint1On));
        break;
    case 2:
        bits.set(int(Flag::MainPoint2On));
        break;
    case 1:
        bits.set(int(Flag::MainPoint3On));
        break;
    default:
        break;
    }
    // Only annunciator bits go out; the unused bits of the last status byte stay clear.
    for (Flag f : kAllFlags) {
        const int i = static_cast<int>(f);
        if (bits.test(i))
            frame[7 + i / 8] = char(quint8(frame[7 + i / 8]) | (1u << (i % 8)));
    }
    frame[13] = kEtx;
    return frame;
}

char bcdByte(int value) {
    return char((value / 10 % 10) << 4 | value % 10);
}

QByteArray encodeClockFrame(const ClockReading& clock) {
    QByteArray frame;
    frame.append(kStx);
    for (int field : {clock.dayOfMonth, clock.hour, clock.minute, clock.second,
                      clock.intervalMinutes, clock.intervalSeconds})
        frame.append(bcdByte(field));
    frame.append(kEtx);
    return frame;
}

QByteArray encodeSettingsFrame(const SettingsReading& settings) {
    auto twoBytes = [](QByteArray& frame, int value) {
        frame.append(char((value >> 8) & 0xFF)).append(char(value & 0xFF));
    };
    QByteArray frame;
    frame.append(kStx);
    twoBytes(frame, settings.distance);
    frame.append(char(settings.comparatorFlags));
    twoBytes(frame, settings.highLimit);
    twoBytes(frame, settings.lowLimit);
    frame.append(kEtx);
    return frame;
}

QByteArray encodePollFrame(quint32 value) {
    QByteArray frame(kPollFrameSize, '\0');
    frame[0] = kStx;
    frame[1] = char(0xAA);
    frame[2] = char((value >> 16) & 0xFF);
    frame[3] = char((value >> 8) & 0xFF);
    frame[4] = char(value & 0xFF);
    frame[5] = kEtx;
    return frame;
}

} // namespace sim
