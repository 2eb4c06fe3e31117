#include "analysis/csv_export.h"
#include "analysis/figures.h"
#include "analysis/reading_series.h"
#include "analysis/running_summary.h"

#include <QBuffer>
#include <QTest>
#include <QTimeZone>

using namespace analysis;

namespace {

const QTimeZone kUtc = QTimeZone::utc();

QDateTime utc(int y, int m, int d, int h = 23, int min = 59) {
    return QDateTime(QDate(y, m, d), QTime(h, min), kUtc);
}

// Rows given as "stamp reading" pairs, recorded up to the reference (in December unless a
// month end needs another month before it).
Series rows(const QStringList& lines, const QString& unit,
            const QDateTime& reference = utc(2026, 12, 8)) {
    QStringList parts;
    for (const QString& line : lines)
        parts.append(line.split(u' '));
    std::vector<RowText> r;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
        r.push_back({parts[i], parts[i + 1]});
    return seriesFromRows(r, unit, reference, kUtc);
}

QString number(const std::optional<double>& v) {
    return v ? QString::number(*v, 'g', 7) : QStringLiteral("-");
}

// The figures in one line, absent ones as "-".
QString summary(const Figures& f) {
    QStringList s;
    s << QStringLiteral("rows %1 valid %2 over %3 left %4")
             .arg(f.rows)
             .arg(f.valid)
             .arg(f.overRange)
             .arg(f.leftOutSlots);
    s << QStringLiteral("duration %1 interval %2").arg(f.durationSeconds).arg(f.intervalSeconds);
    s << QStringLiteral("min %1 max %2")
             .arg(f.min ? QStringLiteral("%1@%2").arg(f.min->value).arg(f.min->row) : "-")
             .arg(f.max ? QStringLiteral("%1@%2").arg(f.max->value).arg(f.max->row) : "-");
    s << QStringLiteral("mean %1 median %2 sd %3 twm %4")
             .arg(number(f.mean), number(f.median), number(f.stdev), number(f.timeWeightedMean));
    s << QStringLiteral("lxh %1 fch %2")
             .arg(number(f.exposureLuxHours), number(f.exposureFootCandleHours));
    return s.join(QStringLiteral(" | "));
}

QString extraFigures(const Figures& f) {
    QStringList s;
    for (const DailyIntegral& d : f.dailyIntegral)
        s << QStringLiteral("day %1 %2").arg(d.date.day()).arg(number(d.molPerM2));
    if (f.budgetShare)
        s << QStringLiteral("share %1 year %2 from %3")
                 .arg(number(f.budgetShare), number(f.projectedAnnualLuxHours))
                 .arg(f.projectionDays);
    if (f.band)
        s << QStringLiteral("below %1 within %2 above %3")
                 .arg(f.band->belowSeconds)
                 .arg(f.band->withinSeconds)
                 .arg(f.band->aboveSeconds);
    return s.join(QStringLiteral(" | "));
}

} // namespace

class TestFigures : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void figures_data();
    void figures();
    void extras_data();
    void extras();
    void historyCountsOverloadsAndDays();
    void csvLines();
};

void TestFigures::figures_data() {
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QString>("unit");
    QTest::addColumn<QDateTime>("reference");
    QTest::addColumn<QString>("expected");
    const QDateTime december = utc(2026, 12, 8);
    // Hand-worked: each reading holds until the next row, the last one for the median step.
    QTest::newRow("regular")
        << QStringList{"01-10:00:00 100", "01-10:00:10 200", "01-10:00:20 300", "01-10:00:30 400"}
        << "Lx" << december
        << "rows 4 valid 4 over 0 left 0 | duration 30 interval 10 | min 100@0 max 400@3 | "
           "mean 250 median 250 sd 129.0994 twm 250 | lxh 2.777778 fch -";
    // The 80 s gap is more than three intervals: the reading before it holds for 10 s only.
    QTest::newRow("a pause")
        << QStringList{"01-10:00:00 100", "01-10:00:10 100", "01-10:00:20 100", "01-10:01:40 200"}
        << "Lx" << december
        << "rows 4 valid 4 over 0 left 0 | duration 100 interval 10 | min 100@0 max 200@3 | "
           "mean 125 median 100 sd 50 twm 125 | lxh 1.388889 fch -";
    QTest::newRow("month change, 30 -> 01")
        << QStringList{"30-23:59:50 10", "30-23:59:55 10", "01-00:00:00 10", "01-00:00:05 10"}
        << "Lx" << december
        << "rows 4 valid 4 over 0 left 0 | duration 15 interval 5 | min 10@0 max 10@0 | "
           "mean 10 median 10 sd 0 twm 10 | lxh 0.05555556 fch -";
    QTest::newRow("month change, 31 -> 01")
        << QStringList{"31-23:59:58 20", "01-00:00:00 40"} << "Lx" << utc(2026, 11, 8)
        << "rows 2 valid 2 over 0 left 0 | duration 2 interval 2 | min 20@0 max 40@1 | "
           "mean 30 median 30 sd 14.14214 twm 30 | lxh 0.03333333 fch -";
    QTest::newRow("month change, 28 -> 01")
        << QStringList{"28-23:59:59 20", "01-00:00:01 20"} << "Lx" << utc(2026, 3, 8)
        << "rows 2 valid 2 over 0 left 0 | duration 2 interval 2 | min 20@0 max 20@0 | "
           "mean 20 median 20 sd 0 twm 20 | lxh 0.02222222 fch -";
    QTest::newRow("over range and unreadable")
        << QStringList{"01-10:00:00 100", "01-10:00:10 OL", "01-10:00:20 300", "01-10:00:30 abc"}
        << "Lx" << december
        << "rows 4 valid 2 over 1 left 2 | duration 30 interval 10 | min 100@0 max 300@2 | "
           "mean 200 median 200 sd 141.4214 twm 200 | lxh 1.111111 fch -";
    QTest::newRow("one row") << QStringList{"05-08:00:00 500"} << "Lx" << december
                             << "rows 1 valid 1 over 0 left 0 | duration 0 interval 0 | "
                                "min 500@0 max 500@0 | mean 500 median 500 sd - twm - | "
                                "lxh 0 fch -";
    QTest::newRow("no valid row")
        << QStringList{"05-08:00:00 OL", "05-08:00:10 OL"} << "Lx" << december
        << "rows 2 valid 0 over 2 left 2 | duration 10 interval 10 | min - max - | "
           "mean - median - sd - twm - | lxh 0 fch -";
    QTest::newRow("foot-candles")
        << QStringList{"05-08:00:00 10", "05-08:00:10 20"} << "Fc" << december
        << "rows 2 valid 2 over 0 left 0 | duration 10 interval 10 | min 10@0 max 20@1 | "
           "mean 15 median 15 sd 7.071068 twm 15 | lxh 0.8969925 fch 0.08333333";
    // The row before it holds until the next row whose time is known.
    QTest::newRow("a stamp that cannot be read")
        << QStringList{"05-08:00:00 10", "05-8:00:10 20", "05-08:00:20 30"} << "Lx" << december
        << "rows 3 valid 2 over 0 left 1 | duration 20 interval 20 | min 10@0 max 30@2 | "
           "mean 20 median 20 sd 14.14214 twm 20 | lxh 0.2222222 fch -";
}

void TestFigures::figures() {
    QFETCH(QStringList, lines);
    QFETCH(QString, unit);
    QFETCH(QDateTime, reference);
    QFETCH(QString, expected);
    const Figures f = computeFigures(rows(lines, unit, reference));
    QCOMPARE(summary(f), expected);
    // A list's running summary follows the same dose rule over the same rows.
    RunningSummary running;
    for (const QString& line : lines)
        running.add(line.section(u' ', 0, 0), line.section(u' ', 1));
    QCOMPARE(running.rows(), f.rows);
    QCOMPARE(running.valid(), f.valid);
    QCOMPARE(running.min(), f.min ? std::optional<double>(f.min->value) : std::nullopt);
    QCOMPARE(running.max(), f.max ? std::optional<double>(f.max->value) : std::nullopt);
    QCOMPARE(running.mean().has_value(), f.mean.has_value());
    if (f.mean)
        QCOMPARE(*running.mean(), *f.mean);
    QCOMPARE(running.interval(), f.intervalSeconds);
    const double unitHours =
        f.exposureFootCandleHours ? *f.exposureFootCandleHours : f.exposureLuxHours;
    QVERIFY(std::abs(running.exposureUnitHours() - unitHours) <= 1e-12 * (1.0 + unitHours));
}

void TestFigures::extras_data() {
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QString>("unit");
    QTest::addColumn<QString>("expected");
    const QStringList twoDays{"01-23:59:40 1000", "01-23:59:50 1000", "02-00:00:00 2000",
                              "02-00:00:10 2000"};
    // Sunlight, 0.0185 µmol/m²/s per lux: day 1 has 20000 lx·s, day 2 40000; a 15000 lx·h
    // budget against 16.67 lx·h, with no whole day to project a year from; a 1500..3000 lx
    // band.
    QTest::newRow("two days") << twoDays << "Lx"
                              << "day 1 0.00037 | day 2 0.00074 | share 0.001111111 "
                                 "year - from 0 | below 20 within 20 above 0";
    // Twelve hours a row: both days whole, 24000 and 48000 lx·h, 36000 lx·h a day on average.
    QTest::newRow("two whole days")
        << QStringList{"01-00:00:00 1000", "01-12:00:00 1000", "02-00:00:00 2000",
                       "02-12:00:00 2000"}
        << "Lx"
        << "day 1 1.5984 | day 2 3.1968 | share 4.8 year 1.314e+07 from 2 | below 86400 "
           "within 86400 above 0";
    // The reading of 18:00 holds until 06:00: six hours of it belong to the 1st, six to the 2nd.
    QTest::newRow("a hold across midnight")
        << QStringList{"01-18:00:00 1000", "02-06:00:00 1000"} << "Lx"
        << "day 1 0.3996 | day 2 1.1988 | share 1.6 year - from 0 | below 86400 within 0 "
           "above 0";
    QTest::newRow("foot-candles in lux")
        << QStringList{"02-12:00:00 100", "02-12:00:10 100"} << "Fc"
        << "day 2 0.0003982647 | share 0.0003986633 year - from 0 | below 20 within 0 above 0";
}

void TestFigures::extras() {
    QFETCH(QStringList, lines);
    QFETCH(QString, unit);
    QFETCH(QString, expected);
    FigureOptions options;
    options.ppfdPerLux = lightSourceFactor(u"sunlight");
    options.budgetLuxHours = 15000.0;
    options.low = 1500.0;
    options.high = 3000.0;
    QCOMPARE(extraFigures(computeFigures(rows(lines, unit), options)), expected);
}

void TestFigures::historyCountsOverloadsAndDays() {
    // Half a second a reading from 23:59:59: the third reading falls on the next day.
    const std::vector<float> values{100.0f, 1000000.0f, 300.0f, std::nanf("")};
    const Series s = seriesFromHistory(values, QStringLiteral("Lx"),
                                       QDateTime(QDate(2026, 1, 31), QTime(23, 59, 59), kUtc), 0.5,
                                       1000000.0f, kUtc);
    FigureOptions options;
    options.ppfdPerLux = 0.02;
    const Figures f = computeFigures(s, options);
    QCOMPARE(summary(f), QStringLiteral("rows 4 valid 2 over 1 left 2 | duration 1.5 interval 0.5 "
                                        "| min 100@0 max 300@2 | mean 200 median 200 sd 141.4214 "
                                        "twm 200 | lxh 0.05555556 fch -"));
    // 100 lx for 0.5 s on the 31st, 300 lx for 0.5 s on the 1st.
    QCOMPARE(extraFigures(f), QStringLiteral("day 31 1e-06 | day 1 3e-06"));
    // The visible part of a chart: rows 2 and 3 only.
    QCOMPARE(computeFigures(s, 2, 4).valid, 1);
}

void TestFigures::csvLines() {
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    const textrules::ZonedTime winter{
        QDateTime(QDate(2026, 12, 8), QTime(13, 22, 45), kUtc).toSecsSinceEpoch(), 3600};
    const textrules::ZonedTime west{
        QDateTime(QDate(2026, 7, 1), QTime(10, 30, 0), kUtc).toSecsSinceEpoch(), -16200};
    const std::vector<CsvRow> rows{{winter, QStringLiteral("12.34")},
                                   {west, QStringLiteral("OL")},
                                   {std::nullopt, QStringLiteral("1,5 \"x\"")}};
    QVERIFY(writeCsv(out, rows, QStringLiteral("Lx"), nullptr));
    QCOMPARE(out.data(), QByteArray("time,reading,value,unit\r\n"
                                    "2026-12-08T14:22:45+01:00,12.34,12.34,Lx\r\n"
                                    "2026-07-01T06:00:00-04:30,OL,,Lx\r\n"
                                    ",\"1,5 \"\"x\"\"\",1,Lx\r\n"));
}

QTEST_APPLESS_MAIN(TestFigures)
#include "test_figures.moc"
