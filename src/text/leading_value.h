#pragma once

#include <QLatin1StringView>
#include <QStringView>

#include <optional>

namespace textrules {

// Typed entries are held to this range: an absurdly long number typed or pasted cannot overflow
// what is made of it.
inline constexpr double kMaxReadingMagnitude = 1e9;
// What a text containing "L" (the over-range "OL") counts as where a number must stand for it.
inline constexpr double kOverRangeValue = 1000000.0;
// The largest number six display digits show: anything beyond it did not come from a display.
inline constexpr double kMaxShownReading = 999999.0;

// The leading numeric part of a text (spaces, an optional sign, digits and one decimal point;
// an exponent is not part of it, so "12E45" is 12), 0 when there is none. Held to
// +-kMaxReadingMagnitude, never infinite or NaN. For typed entries.
double leadingValue(QStringView text);
// The same, or nothing when the text has no leading number at all.
std::optional<double> leadingNumber(QStringView text);

// The one rule for a reading's text, wherever it comes from (the display, a data file, a list):
// a text holding a capital "L" is over range; otherwise its leading number is the reading, as
// long as six display digits can show it ("1E3" is 1, "-.5" is -0.5). Anything else (no
// leading number, or one of more than six digits before the point) is not a reading.
enum class ReadingKind : quint8 { Valid, OverRange, NotAReading };
struct ReadingNumber {
    ReadingKind kind = ReadingKind::NotAReading;
    double value = 0.0; // the reading, where it is one
    int decimals = 0;   // the digits after its point, as displayed
};
ReadingNumber readingNumber(QStringView text);
ReadingNumber readingNumber(QLatin1StringView text);

// The number that stands for a reading's text in a chart: the reading, kOverRangeValue when it
// is over range, 0 when it is not a reading.
double readingValue(QStringView text);

} // namespace textrules
