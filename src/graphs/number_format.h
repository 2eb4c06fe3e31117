#pragma once

#include <QString>

namespace graphs {

// Formats v with a pattern of the kind "0.###" or "0.000": the '0's before the point are the
// least number of integer digits, the '0's after it the decimals always shown and the '#'s the
// further decimals shown when not zero. Rounds half away from zero; always "." as the point.
// A pattern it cannot read shows the number in full.
QString formatNumber(double v, const QString& pattern);

// The number in full as plain text, without exponent or rounding ("523.4567", "864001").
QString plainNumber(double v);

// Reads a number typed by the user: "." as the point, optional sign, no grouping.
// Returns false for anything else.
bool parseNumber(const QString& text, double* value);

} // namespace graphs
