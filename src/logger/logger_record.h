#pragma once

#include <QByteArrayView>
#include <QDate>
#include <QString>

#include <vector>

namespace logger {

// A set of the logger memory: the marker 00 55 AA 00, the start (day, hour, minutes, seconds)
// and the sampling interval (minutes, seconds) as packed BCD, then records of three bytes:
// value high byte, value low byte, range byte.
inline constexpr qsizetype kSetHeaderBytes = 10;
inline constexpr qsizetype kRecordBytes = 3;

// A record's value as listed: lux and foot-candles, "." as decimal point, or "OL" for both when
// the range byte has none of bits 1..6.
struct LoggerValue {
    QString lux;
    QString footCandles;
};
LoggerValue DecodeLoggerValue(quint8 high, quint8 low, quint8 range);

// The number its digits read as: 0x30 gives 30. A digit above 9 ends the number, as it ends a
// number typed as text ("1A" is 1, "A1" is 0).
int bcdNumber(quint8 byte);

// The header of a set (at least kSetHeaderBytes long): its start as DD-hh:nn:ss and its
// interval in seconds.
QString setStartText(QByteArrayView set);
int setIntervalSeconds(QByteArrayView set);
qsizetype setRecordCount(QByteArrayView set);

// The times of a set's records: the start plus the interval once per record, across midnights
// and month ends, as DD-hh:nn:ss with the day of the month. The start lies in today's month, or
// in the latest month before it that has its day. A start the meter's clock could not show
// (day 00 when the clock was never set, an hour past 23, a digit above 9) counts the days from
// the set's start instead: 00 on its first day, 01 on the next, and so on, from the start's
// time of day when that is a valid time, else from 00:00:00.
class RecordTimes {
public:
    RecordTimes(QByteArrayView set, const QDate& today);
    // The time of record i, i = 0 for the first.
    QString text(qsizetype i) const;

private:
    QDate startDate_; // null when the days are counted from the start
    qint64 startSecond_ = 0;
    qint64 interval_ = 0;
};

// Rows from..to - 1 (0-based) of a set, listed as the data list shows them: record number,
// time, value; three cells per row, in lux and in foot-candles.
void listRecords(QByteArrayView set, const RecordTimes& times, qsizetype from, qsizetype to,
                 std::vector<QString>& lux, std::vector<QString>& footCandles);

// A whole set as the Data List saves it in one unit: the header line "Lx" (or "Fc"), "Time",
// "Value", then one line a record, every cell followed by a TAB, every line by CR LF.
QByteArray setDataFile(QByteArrayView set, const QDate& today, bool footCandles);

} // namespace logger
