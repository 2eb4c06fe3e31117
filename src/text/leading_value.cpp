#include "text/leading_value.h"

#include <algorithm>
#include <array>
#include <charconv>

namespace textrules {

double readingValue(QStringView text) {
    return text.contains(u'L') ? kOverRangeValue : leadingValue(text);
}

std::optional<double> leadingNumber(QStringView text) {
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n && text[i] == u' ')
        ++i;
    bool negative = false;
    if (i < n && (text[i] == u'-' || text[i] == u'+')) {
        negative = text[i] == u'-';
        ++i;
    }
    // The numeric part is copied into a short buffer: an integer part longer than ten digits
    // is beyond the range anyway, and fraction digits past the seventeenth change nothing.
    constexpr int kIntegerDigits = 10;
    constexpr int kFractionDigits = 17;
    std::array<char, 1 + kIntegerDigits + 1 + kFractionDigits> buf{'0'};
    size_t len = 1;
    auto isDigit = [&](qsizetype at) { return at < n && text[at] >= u'0' && text[at] <= u'9'; };
    const qsizetype digitsFrom = i;
    while (isDigit(i) && text[i] == u'0')
        ++i;
    for (int integerDigits = 0; isDigit(i); ++i) {
        if (++integerDigits > kIntegerDigits)
            return negative ? -kMaxReadingMagnitude : kMaxReadingMagnitude;
        buf[len++] = char(text[i].unicode());
    }
    bool anyDigit = i > digitsFrom;
    if (i < n && text[i] == u'.') {
        buf[len++] = '.';
        for (int kept = 0; isDigit(++i); anyDigit = true)
            if (kept++ < kFractionDigits)
                buf[len++] = char(text[i].unicode());
    }
    if (!anyDigit)
        return std::nullopt;
    double value = 0.0;
    // from_chars ignores the locale, unlike strtod.
    std::from_chars(buf.data(), buf.data() + len, value);
    value = std::min(value, kMaxReadingMagnitude);
    return value == 0.0 ? 0.0 : (negative ? -value : value);
}

double leadingValue(QStringView text) {
    return leadingNumber(text).value_or(0.0);
}

} // namespace textrules
