#pragma once

#include <QStringView>

#include <optional>

namespace textrules {

// Readings are held to this range: no display reaches it, and an absurdly long number in a
// foreign file cannot spoil a graph's scale.
inline constexpr double kMaxReadingMagnitude = 1e9;
// What a text containing "L" (the over-range "OL") counts as.
inline constexpr double kOverRangeValue = 1000000.0;

// The number a reading's text stands for: 1000000 when it contains a capital "L", else its
// leading value.
double readingValue(QStringView text);
// The leading numeric part of a text (spaces, an optional sign, digits and one decimal point;
// an exponent is not part of it, so "12E45" is 12), 0 when there is none. Held to
// +-kMaxReadingMagnitude, never infinite or NaN.
double leadingValue(QStringView text);
// The same, or nothing when the text has no leading number at all.
std::optional<double> leadingNumber(QStringView text);

} // namespace textrules
