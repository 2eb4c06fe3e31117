#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <optional>

namespace recording {

// The clock frame, the meter's reply to "Y": STX, day, hour, minutes, seconds, logger interval
// minutes and seconds (all BCD), ETX.
inline constexpr int kClockFrameSize = 8;

// "07 14:05:09": day, hour, minutes and seconds of a clock frame.
QString meterClockText(const QByteArray& clockFrame);
// The logger interval of a clock frame as the answer box offers it: "01:00".
QString meterIntervalText(const QByteArray& clockFrame);
// The PC's local time in the form the meter's clock is shown in.
QString pcClockText(const QDateTime& when);
// Day, hour, minutes and seconds as the four BCD bytes that follow "T".
QByteArray clockSetBytes(const QDateTime& when);

// The answer to the PC sampling interval box.
struct PcIntervalAnswer {
    enum class Kind { Empty, NotANumber, Seconds };
    Kind kind = Kind::Empty;
    int seconds = 0; // 1..86400 when kind is Seconds
};
inline constexpr int kLongestPcInterval = 86400;
// Rounded halves to even, then clamped to 1..86400; out-of-range answers are not refused.
PcIntervalAnswer readPcIntervalAnswer(const QString& answer);

// The meter's logger interval as the two BCD bytes that follow "W", minutes first.
struct MeterInterval {
    int minutes = 0;
    int seconds = 0;
    QByteArray bcdBytes() const;
};
// Reads a non-empty MM:SS answer, limited to 3:00 and with seconds taken modulo 60 (1:75 is
// 1:15). Nothing when the form is wrong.
std::optional<MeterInterval> readMeterIntervalAnswer(const QString& answer);

} // namespace recording
