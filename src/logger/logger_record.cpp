#include "logger/logger_record.h"

#include "text/bcd.h"
#include "text/data_file.h"
#include "text/time_stamp.h"

namespace logger {

namespace {

constexpr qint64 kSecondsPerDay = 86400;
constexpr quint64 kFootCandlesPerThousandLux = 929;

quint8 byteAt(QByteArrayView bytes, qsizetype i) {
    return quint8(bytes[i]);
}

quint64 powerOfTen(int n) {
    quint64 p = 1;
    while (n-- > 0)
        p *= 10;
    return p;
}

// units / 10^scale with the given number of decimals (at most scale), rounded half up. Whole
// numbers of units keep the values exact, so no rounding error or locale can touch the text.
QString fixedText(quint64 units, int scale, int decimals) {
    const quint64 dropped = powerOfTen(scale - decimals);
    const quint64 kept = (units + dropped / 2) / dropped;
    const quint64 one = powerOfTen(decimals);
    QString text = QString::number(kept / one);
    if (decimals > 0)
        text +=
            QLatin1Char('.') + QStringLiteral("%1").arg(kept % one, decimals, 10, QLatin1Char('0'));
    return text;
}

// units / 10^scale in its shortest form: no trailing zeros, no point for a whole number.
QString plainText(quint64 units, int scale) {
    while (scale > 0 && units % 10 == 0) {
        units /= 10;
        --scale;
    }
    return fixedText(units, scale, scale);
}

bool isBcd(quint8 byte) {
    return (byte >> 4) <= 9 && (byte & 0x0F) <= 9;
}

} // namespace

LoggerValue DecodeLoggerValue(quint8 high, quint8 low, quint8 range) {
    const quint64 v = quint64(high) * 256 + low;
    // Foot-candles are lux x 929 / 1000, scaled as the range says: fc holds them in
    // thousandths of the lux unit.
    const quint64 fc = v * kFootCandlesPerThousandLux;
    if (range & 0x40)
        return {plainText(v * 100, 0), plainText(fc, 2)};
    if (range & 0x20)
        return {plainText(v * 10, 0), plainText(fc / 1000, 0)};
    if (range & 0x10)
        return {plainText(v, 0), fixedText(fc, 4, 1)};
    if (range & 0x08)
        return {fixedText(v, 1, 1), fixedText(fc, 5, 2)};
    if (range & 0x04)
        return {fixedText(v, 2, 2), fixedText(fc, 6, 3)};
    if (range & 0x02)
        return {fixedText(v, 3, 3), fixedText(fc, 7, 4)};
    return {QStringLiteral("OL"), QStringLiteral("OL")};
}

int bcdNumber(quint8 byte) {
    const int tens = byte >> 4;
    const int units = byte & 0x0F;
    if (tens > 9)
        return 0;
    return units > 9 ? tens : tens * 10 + units;
}

QString setStartText(QByteArrayView set) {
    return textrules::bcdText(byteAt(set, 4)) + QLatin1Char('-') +
           textrules::bcdText(byteAt(set, 5)) + QLatin1Char(':') +
           textrules::bcdText(byteAt(set, 6)) + QLatin1Char(':') +
           textrules::bcdText(byteAt(set, 7));
}

int setIntervalSeconds(QByteArrayView set) {
    return bcdNumber(byteAt(set, 8)) * 60 + bcdNumber(byteAt(set, 9));
}

qsizetype setRecordCount(QByteArrayView set) {
    return (set.size() - kSetHeaderBytes) / kRecordBytes;
}

RecordTimes::RecordTimes(QByteArrayView set, const QDate& today)
    : interval_(setIntervalSeconds(set)) {
    const quint8 day = byteAt(set, 4);
    const quint8 hour = byteAt(set, 5);
    const quint8 minute = byteAt(set, 6);
    const quint8 second = byteAt(set, 7);
    const bool validTime = isBcd(hour) && isBcd(minute) && isBcd(second) && bcdNumber(hour) <= 23 &&
                           bcdNumber(minute) <= 59 && bcdNumber(second) <= 59;
    if (!validTime)
        return;
    startSecond_ = bcdNumber(hour) * 3600 + bcdNumber(minute) * 60 + bcdNumber(second);
    const int dayOfMonth = bcdNumber(day);
    if (!isBcd(day) || dayOfMonth < 1 || dayOfMonth > 31)
        return;
    QDate month(today.year(), today.month(), 1);
    while (dayOfMonth > month.daysInMonth())
        month = month.addMonths(-1);
    startDate_ = QDate(month.year(), month.month(), dayOfMonth);
}

QString RecordTimes::text(qsizetype i) const {
    const qint64 at = startSecond_ + qint64(i) * interval_;
    const qint64 days = at / kSecondsPerDay;
    const qint64 second = at % kSecondsPerDay;
    QString t;
    t.reserve(11);
    textrules::appendTwoDigits(t, startDate_.isNull() ? days : startDate_.addDays(days).day());
    t += QLatin1Char('-');
    textrules::appendTwoDigits(t, second / 3600);
    t += QLatin1Char(':');
    textrules::appendTwoDigits(t, second / 60 % 60);
    t += QLatin1Char(':');
    textrules::appendTwoDigits(t, second % 60);
    return t;
}

void listRecords(QByteArrayView set, const RecordTimes& times, qsizetype from, qsizetype to,
                 std::vector<QString>& lux, std::vector<QString>& footCandles) {
    for (qsizetype i = from; i < to; ++i) {
        const qsizetype at = kSetHeaderBytes + i * kRecordBytes;
        const LoggerValue value =
            DecodeLoggerValue(byteAt(set, at), byteAt(set, at + 1), byteAt(set, at + 2));
        const QString number = QString::number(i + 1);
        const QString time = times.text(i);
        lux.insert(lux.end(), {number, time, value.lux});
        footCandles.insert(footCandles.end(), {number, time, value.footCandles});
    }
}

QByteArray setDataFile(QByteArrayView set, const QDate& today, bool footCandles) {
    std::vector<QString> lux;
    std::vector<QString> fc;
    listRecords(set, RecordTimes(set, today), 0, setRecordCount(set), lux, fc);
    const std::vector<QString>& cells = footCandles ? fc : lux;
    QByteArray file =
        textrules::gridLine({footCandles ? QStringLiteral("Fc") : QStringLiteral("Lx"),
                             QStringLiteral("Time"), QStringLiteral("Value")});
    for (size_t at = 0; at + 2 < cells.size(); at += 3)
        file += textrules::gridLine({cells[at], cells[at + 1], cells[at + 2]});
    return file;
}

} // namespace logger
