#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

namespace commands {

inline const QString kHoldTimeTitle = QStringLiteral("Input Hold Time");
inline const QString kHoldTimePrompt = QStringLiteral("Enter the TIME to Hold\r\n (MM:SS) ");
inline const QString kHoldTimeProposal = QStringLiteral("00:00");
inline const QString kDistanceTitle = QStringLiteral("Input the distance");

// The settings frame, the meter's reply to "Z": STX, distance x 100 (two bytes), comparator
// flags, comparator high and low limits (two bytes each), ETX. Two-byte numbers high byte first.
inline constexpr int kSettingsFrameSize = 9;

// Nine bytes or more, STX first and ETX ninth.
bool isSettingsFrame(const QByteArray& reply);
// The stored light-source distance of a settings frame, in hundredths.
int settingsDistance(const QByteArray& frame);

// What an entry in the hold-time or distance box comes to.
struct SettingEntry {
    enum class Kind { Invalid, Abandoned, Accepted };
    Kind kind = Kind::Invalid;
    QByteArray block; // the two bytes that follow the command letter, when accepted
};
// MM:SS; each part above 59 is held to 59, a negative one abandons the entry. A fraction of a
// minute or second is dropped (1.5:30 is 01:30). The block is minutes and seconds in BCD.
SettingEntry readHoldTimeEntry(QStringView text);
// W.HH in metres or feet; the whole part is held to 9 and only two decimals count (2.123 is
// 2.12, 1.5 is 1.50). A negative part abandons the entry. The block is the distance x 100,
// high byte first.
SettingEntry readDistanceEntry(QStringView text);

// The box's proposal for a stored distance: at least two whole digits, two decimals (01.50).
QString distanceText(int hundredths);
// The distance prompt with its unit line: feet when the meter shows foot-candles, else metres.
QString distancePrompt(const QString& unitText);

} // namespace commands
