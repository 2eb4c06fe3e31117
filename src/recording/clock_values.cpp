#include "recording/clock_values.h"

#include "text/bcd.h"
#include "text/entry_parts.h"

#include <QLocale>

#include <algorithm>
#include <cmath>

namespace recording {

namespace {

constexpr int kLongestMeterMinutes = 3;

// Not std::nearbyint: that one follows whatever rounding mode the process was left in.
double roundHalfToEven(double x) {
    const double floor = std::floor(x);
    const double fraction = x - floor;
    const bool odd = std::fmod(floor, 2.0) != 0.0;
    return fraction > 0.5 || (fraction == 0.5 && odd) ? floor + 1.0 : floor;
}

struct LeadingNumber {
    qint64 value = 0; // held at a ceiling well above any limit, so long answers cannot overflow
    int modulo60 = 0; // exact, however long the answer
};

// The digits a part of the answer starts with; nothing when it does not start with one.
std::optional<LeadingNumber> leadingNumber(QStringView part) {
    constexpr qint64 kCeiling = 1'000'000;
    LeadingNumber n;
    qsizetype digits = 0;
    for (; digits < part.size() && part[digits] >= u'0' && part[digits] <= u'9'; ++digits) {
        const int d = part[digits].unicode() - u'0';
        n.value = std::min(n.value * 10 + d, kCeiling);
        n.modulo60 = (n.modulo60 * 10 + d) % 60;
    }
    if (digits == 0)
        return std::nullopt;
    return n;
}

} // namespace

QString meterClockText(const QByteArray& clockFrame) {
    auto field = [&](int i) { return textrules::bcdText(quint8(clockFrame.at(i))); };
    return field(1) + u' ' + field(2) + u':' + field(3) + u':' + field(4);
}

QString meterIntervalText(const QByteArray& clockFrame) {
    return textrules::bcdText(quint8(clockFrame.at(5))) + u':' +
           textrules::bcdText(quint8(clockFrame.at(6)));
}

QString pcClockText(const QDateTime& when) {
    return when.toString(QStringLiteral("dd HH:mm:ss"));
}

QByteArray clockSetBytes(const QDateTime& when) {
    const QTime t = when.time();
    QByteArray bytes;
    for (int value : {when.date().day(), t.hour(), t.minute(), t.second()})
        bytes.append(char(textrules::toBcd(value)));
    return bytes;
}

PcIntervalAnswer readPcIntervalAnswer(const QString& answer) {
    using Kind = PcIntervalAnswer::Kind;
    if (answer.isEmpty())
        return {Kind::Empty, 0};
    bool ok = false;
    const double value = QLocale::c().toDouble(answer.trimmed(), &ok);
    if (!ok || std::isnan(value))
        return {Kind::NotANumber, 0};
    // Clamped into a range an int holds before rounding; the limits below are unchanged by it.
    const double rounded = roundHalfToEven(std::clamp(value, 0.0, kLongestPcInterval + 1.0));
    return {Kind::Seconds, std::clamp(int(rounded), 1, kLongestPcInterval)};
}

QByteArray MeterInterval::bcdBytes() const {
    return QByteArray()
        .append(char(textrules::toBcd(minutes)))
        .append(char(textrules::toBcd(seconds)));
}

std::optional<MeterInterval> readMeterIntervalAnswer(const QString& answer) {
    const std::optional<textrules::EntryParts> parts = textrules::splitEntry(answer, u':');
    if (!parts)
        return std::nullopt;
    const auto minutes = leadingNumber(parts->before);
    const auto seconds = leadingNumber(parts->after);
    if (!minutes || !seconds)
        return std::nullopt;
    if (minutes->value > kLongestMeterMinutes ||
        (minutes->value == kLongestMeterMinutes && seconds->value > 0))
        return MeterInterval{kLongestMeterMinutes, 0};
    // Seconds past a minute wrap without carrying: 1:75 is 1:15.
    return MeterInterval{int(minutes->value), seconds->modulo60};
}

} // namespace recording
