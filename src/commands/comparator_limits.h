#pragma once

#include <QByteArray>
#include <QString>

#include <array>

namespace commands {

// The comparator's decimal-point options run 1..6, left to right; 0 stands for none selected.
inline constexpr int kComparatorOptions = 6;
inline constexpr int kLimitDigits = 4;

// What the settings frame says about the comparator, in the window's terms.
struct ComparatorSettings {
    QString unitText; // "Lx" or "Fc"
    int option = 0;   // the selected decimal option of both groups
    QString high;     // the limits' four digits each, leading zeros kept
    QString low;
};

// Bytes 4..8 of a settings frame (see isSettingsFrame). A clear lux bit means foot-candles.
// The meter sets one decimal bit; should it set several, the highest one is the option taken.
ComparatorSettings decodeComparatorSettings(const QByteArray& frame);

// The window's state as "Update" sends it.
struct ComparatorEntry {
    QString unitText;
    int option = 0; // the high group's selected option
    std::array<QString, kLimitDigits> high;
    std::array<QString, kLimitDigits> low;
};

// The five bytes after "V": flags (unit bit and decimal code), high limit, low limit, each limit
// high byte first. Anything but "Lx" counts as foot-candles; an option that does not exist for
// the unit, or none, stands for the last position (code 16).
QByteArray comparatorLimitsBlock(const ComparatorEntry& entry);

// One digit box's share of a limit: its first character when that is a digit 0-9, otherwise
// nothing, so an empty or mistyped box closes up like an empty one. One digit per box keeps a
// limit within the meter's four digits (0..9999), whatever is typed into the editable boxes.
QString limitDigit(const QString& boxText);

} // namespace commands
