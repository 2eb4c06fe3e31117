#include "text/leading_value.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>

namespace textrules {

namespace {

// The leading number of a text read as UTF-16 or Latin-1 alike.
struct Leading {
    double value = 0.0;
    int integerDigits = 0; // after leading zeros
    int decimals = 0;
    bool found = false;
    bool negative = false;
    bool tooLong = false; // more integer digits than a double of the range needs
};

template <typename Text> Leading leading(Text text) {
    Leading out;
    const qsizetype n = text.size();
    auto at = [&](qsizetype i) { return char16_t(text[i].unicode()); };
    qsizetype i = 0;
    while (i < n && at(i) == u' ')
        ++i;
    if (i < n && (at(i) == u'-' || at(i) == u'+')) {
        out.negative = at(i) == u'-';
        ++i;
    }
    // The numeric part is copied into a short buffer: an integer part longer than ten digits
    // is beyond every range here anyway, and fraction digits past the seventeenth change
    // nothing.
    constexpr int kIntegerDigits = 10;
    constexpr int kFractionDigits = 17;
    std::array<char, 1 + kIntegerDigits + 1 + kFractionDigits> buf{'0'};
    size_t len = 1;
    auto isDigit = [&](qsizetype k) { return k < n && at(k) >= u'0' && at(k) <= u'9'; };
    const qsizetype digitsFrom = i;
    while (isDigit(i) && at(i) == u'0')
        ++i;
    for (; isDigit(i); ++i) {
        if (++out.integerDigits > kIntegerDigits) {
            out.tooLong = true;
            continue;
        }
        buf[len++] = char(at(i));
    }
    out.found = i > digitsFrom;
    if (i < n && at(i) == u'.') {
        buf[len++] = '.';
        for (++i; isDigit(i); ++i, ++out.decimals) {
            out.found = true;
            if (out.decimals < kFractionDigits)
                buf[len++] = char(at(i));
        }
    }
    if (!out.found || out.tooLong)
        return out;
    // from_chars ignores the locale, unlike strtod.
    std::from_chars(buf.data(), buf.data() + len, out.value);
    if (out.value != 0.0 && out.negative)
        out.value = -out.value;
    return out;
}

std::optional<double> heldToRange(const Leading& l) {
    if (!l.found)
        return std::nullopt;
    if (l.tooLong)
        return l.negative ? -kMaxReadingMagnitude : kMaxReadingMagnitude;
    return std::clamp(l.value, -kMaxReadingMagnitude, kMaxReadingMagnitude);
}

template <typename Text> ReadingNumber reading(Text text) {
    if (text.contains(QLatin1Char('L')))
        return {ReadingKind::OverRange, 0.0, 0};
    const Leading l = leading(text);
    if (!l.found || l.tooLong || std::abs(l.value) > kMaxShownReading)
        return {};
    return {ReadingKind::Valid, l.value, l.decimals};
}

} // namespace

std::optional<double> leadingNumber(QStringView text) {
    return heldToRange(leading(text));
}

double leadingValue(QStringView text) {
    return leadingNumber(text).value_or(0.0);
}

ReadingNumber readingNumber(QStringView text) {
    return reading(text);
}

ReadingNumber readingNumber(QLatin1StringView text) {
    return reading(text);
}

double readingValue(QStringView text) {
    const ReadingNumber r = readingNumber(text);
    switch (r.kind) {
    case ReadingKind::Valid:
        return r.value;
    case ReadingKind::OverRange:
        return kOverRangeValue;
    case ReadingKind::NotAReading:
        break;
    }
    return 0.0;
}

} // namespace textrules
