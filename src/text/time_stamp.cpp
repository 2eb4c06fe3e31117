#include "text/time_stamp.h"

#include <QDate>

#include <cstdlib>

namespace textrules {

namespace {

constexpr qint64 kSecondsPerDay = 86400;
// Julian day of 1970-01-01.
constexpr qint64 kEpochJulianDay = 2440588;

template <typename Text> int twoDigits(Text text, qsizetype at) {
    const char16_t a = text[at].unicode();
    const char16_t b = text[at + 1].unicode();
    if (a < u'0' || a > u'9' || b < u'0' || b > u'9')
        return -1;
    return (a - u'0') * 10 + (b - u'0');
}

template <typename Text> std::optional<Stamp> stampOf(Text text) {
    if (text.size() != 11 || text[2] != QLatin1Char('-') || text[5] != QLatin1Char(':') ||
        text[8] != QLatin1Char(':'))
        return std::nullopt;
    const int day = twoDigits(text, 0);
    const int hour = twoDigits(text, 3);
    const int minute = twoDigits(text, 6);
    const int second = twoDigits(text, 9);
    if (day < 1 || day > 31 || hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 ||
        second > 59)
        return std::nullopt;
    return Stamp{day, hour * 3600 + minute * 60 + second};
}

} // namespace

QString sampleTimeStamp(const QDateTime& when) {
    return when.toString(QStringLiteral("dd-HH:mm:ss"));
}

std::optional<Stamp> parseStamp(QStringView text) {
    return stampOf(text);
}

std::optional<Stamp> parseStamp(QLatin1StringView text) {
    return stampOf(text);
}

void appendTwoDigits(QString& text, qint64 n) {
    if (n > 99) {
        text += QString::number(n);
        return;
    }
    text += QChar(u'0' + int(n / 10));
    text += QChar(u'0' + int(n % 10));
}

QString isoTimeText(const QDateTime& when) {
    return isoTimeText(when.toSecsSinceEpoch(), when.offsetFromUtc());
}

QString isoTimeText(qint64 utcSeconds, int offsetSeconds) {
    const qint64 wall = utcSeconds + offsetSeconds;
    qint64 days = wall / kSecondsPerDay;
    qint64 second = wall % kSecondsPerDay;
    if (second < 0) {
        second += kSecondsPerDay;
        --days;
    }
    const QDate date = QDate::fromJulianDay(days + kEpochJulianDay);
    QString text;
    text.reserve(25);
    text += QString::number(date.year()).rightJustified(4, QLatin1Char('0'));
    text += QLatin1Char('-');
    appendTwoDigits(text, date.month());
    text += QLatin1Char('-');
    appendTwoDigits(text, date.day());
    text += QLatin1Char('T');
    appendTwoDigits(text, second / 3600);
    text += QLatin1Char(':');
    appendTwoDigits(text, second / 60 % 60);
    text += QLatin1Char(':');
    appendTwoDigits(text, second % 60);
    const int minutes = std::abs(offsetSeconds) / 60;
    text += offsetSeconds < 0 ? QLatin1Char('-') : QLatin1Char('+');
    appendTwoDigits(text, minutes / 60);
    text += QLatin1Char(':');
    appendTwoDigits(text, minutes % 60);
    return text;
}

} // namespace textrules
