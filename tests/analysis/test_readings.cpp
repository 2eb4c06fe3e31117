#include "analysis/figure_text.h"
#include "analysis/readings.h"
#include "analysis/running_summary.h"

#include <QBuffer>
#include <QTest>
#include <QTimeZone>

#include <cmath>

using namespace analysis;

namespace {

// "stamp reading" pairs into the summary, one row at a time as a live list gets them.
void addRows(RunningSummary& s, const QStringList& lines) {
    for (const QString& line : lines) {
        const QStringList parts = line.split(u' ');
        s.add(parts[0], parts[1]);
    }
}

std::vector<QString> column(const QStringList& lines, int part) {
    std::vector<QString> out;
    for (const QString& line : lines)
        out.push_back(line.split(u' ')[part]);
    return out;
}

Readings fromFile(const QStringList& lines, const QString& unit) {
    return Readings::fromRows(column(lines, 0), column(lines, 1), unit, Calendar::FileModified,
                              QDateTime(QDate(2026, 12, 8), QTime(12, 0)));
}

QStringList shown(const QList<FigureLine>& lines) {
    QStringList out;
    for (const FigureLine& l : lines)
        out << (l.value.isEmpty() ? l.name : l.name + QStringLiteral(": ") + l.value);
    return out;
}

} // namespace

class TestReadings : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void runningSummary_data();
    void runningSummary();
    void numbers_data();
    void numbers();
    void durations_data();
    void durations();
    void rowTimes_data();
    void rowTimes();
    void figureLinesOfARange();
    void historyExport();
};

void TestReadings::runningSummary_data() {
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QString>("unit");
    QTest::addColumn<QString>("expected");
    // The summary line's text; test_figures holds both summaries to the same figures.
    QTest::newRow("regular")
        << QStringList{"01-10:00:00 100", "01-10:00:10 200", "01-10:00:20 300", "01-10:00:30 400"}
        << "Lx"
        << "4 rows \u00b7 min 100 \u00b7 max 400 \u00b7 mean 250 Lx \u00b7 2.778 lx\u00b7h";
    // Nothing comes after it: the reading before it holds for no time at all.
    QTest::newRow("last stamp cannot be read")
        << QStringList{"05-08:00:00 10", "05-08:00:10 20", "xx 30"} << "Lx"
        << "3 rows \u00b7 min 10 \u00b7 max 20 \u00b7 mean 15 Lx \u00b7 0.02778 lx\u00b7h";
    QTest::newRow("first stamp cannot be read")
        << QStringList{"xx 5", "05-08:00:00 10", "05-08:00:10 20"} << "Lx"
        << "3 rows \u00b7 min 10 \u00b7 max 20 \u00b7 mean 15 Lx \u00b7 0.08333 lx\u00b7h";
    // 300 fc·s are 0.08333 fc·h, 0.897 lx·h.
    QTest::newRow("foot-candles") << QStringList{"05-08:00:00 10", "05-08:00:10 20"} << "Fc"
                                  << "2 rows \u00b7 min 10 \u00b7 max 20 \u00b7 mean 15 Fc \u00b7 "
                                     "0.897 lx\u00b7h";
    QTest::newRow("one row") << QStringList{"05-08:00:00 500"} << "Lx"
                             << "1 row \u00b7 min 500 \u00b7 max 500 \u00b7 mean 500 Lx \u00b7 "
                                "0 lx\u00b7h";
    QTest::newRow("no valid row") << QStringList{"05-08:00:00 OL", "05-08:00:10 OL"} << "Lx"
                                  << "2 rows \u00b7 No valid reading.";
}

void TestReadings::runningSummary() {
    QFETCH(QStringList, lines);
    QFETCH(QString, unit);
    RunningSummary s;
    addRows(s, lines);
    QTEST(summaryLine(s, unit), "expected");
}

void TestReadings::numbers_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("four digits") << 2.7777778 << "2.778";
    QTest::newRow("larger than four digits") << 12345.6 << "12346";
    QTest::newRow("small") << 0.00037 << "0.00037";
    QTest::newRow("below the last decimal") << -1e-9 << "0";
    QTest::newRow("rounds up a digit") << 9.99996 << "10";
    QTest::newRow("not a number") << std::nan("") << "not enough readings";
}

void TestReadings::numbers() {
    QFETCH(double, value);
    QTEST(figureNumber(value), "text");
}

void TestReadings::durations_data() {
    QTest::addColumn<double>("seconds");
    QTest::addColumn<QString>("text");
    QTest::newRow("half seconds") << 1.5 << "00:00:01.5";
    QTest::newRow("hours") << 3661.0 << "01:01:01";
    QTest::newRow("a day and more") << 90061.0 << "1 d 01:01:01";
}

void TestReadings::durations() {
    QFETCH(double, seconds);
    QTEST(durationText(seconds), "text");
}

void TestReadings::rowTimes_data() {
    QTest::addColumn<int>("source"); // 0: a file, 1: recorded up to the reference, 2: history
    QTest::addColumn<QStringList>("times");
    QTest::newRow("a file: its stamps across a month end")
        << 0 << QStringList{"30-23:59:50", "01-00:00:05", "01-00:00:05"};
    QTest::newRow("recorded up to 2026-12-08 12:00")
        << 1 << QStringList{"2026-11-30 23:59:50", "2026-12-01 00:00:05", "2026-12-01 00:00:05"};
    QTest::newRow("the chart's history, half a second apart")
        << 2 << QStringList{"2026-12-08 23:59:59", "2026-12-08 23:59:59", "2026-12-09 00:00:00"};
}

void TestReadings::rowTimes() {
    QFETCH(int, source);
    // The middle row's stamp cannot be read: it is named by the next one's time.
    const QStringList lines{"30-23:59:50 1", "3O-00:00:00 2", "01-00:00:05 3"};
    const QDateTime reference(QDate(2026, 12, 8), QTime(12, 0));
    Readings r;
    if (source == 0)
        r = fromFile(lines, QStringLiteral("Lx"));
    else if (source == 1)
        r = Readings::fromRows(column(lines, 0), column(lines, 1), QStringLiteral("Lx"),
                               Calendar::RecordedUpTo, reference);
    else
        r = Readings::fromHistory(std::vector<float>{1.0f, 2.0f, 3.0f}, QStringLiteral("Lx"),
                                  QDateTime(QDate(2026, 12, 8), QTime(23, 59, 59)), 0.5, 1e6f);
    QStringList got;
    for (qsizetype row = 0; row < 3; ++row)
        got << rowTimeText(r, row);
    QTEST(got, "times");
}

void TestReadings::figureLinesOfARange() {
    const Readings r = fromFile({"01-23:59:40 1000", "01-23:59:50 OL", "02-00:00:00 2000",
                                 "02-00:00:10 2000", "02-00:00:20 500"},
                                QStringLiteral("Lx"));
    FigureOptions o;
    o.ppfdPerLux = 0.0185;
    o.budgetLuxHours = 15000.0;
    o.low = 3000.0; // given either way round
    o.high = 1500.0;
    // Rows 0 to 3: 1000 lx for 10 s, the over-range slot left out, 2000 lx for 10 s twice;
    // 50000 lx·s.
    QCOMPARE(shown(figureLines(computeFigures(r.series(), 0, 4, o), r, o)),
             (QStringList{"Rows: 4",
                          "Valid: 3",
                          "Over range: 1",
                          "First: 01-23:59:40",
                          "Last: 02-00:00:10",
                          "Duration: 00:00:30",
                          "Minimum: 1000 Lx at 01-23:59:40",
                          "Maximum: 2000 Lx at 02-00:00:00",
                          "Mean: 1667 Lx",
                          "Median: 2000 Lx",
                          "Std. deviation: 577.4 Lx",
                          "Time-weighted mean: 1667 Lx",
                          "Exposure: 13.89 lx\u00b7h",
                          "Slots left out: 1",
                          "DLI, day 01: 0.000185 mol/m\u00b2/d",
                          "DLI, day 02: 0.00074 mol/m\u00b2/d",
                          "Budget share: 0.09259 % of 15000 lx\u00b7h",
                          "A year at this rate: needs a whole day of readings",
                          "Below 1500 Lx: 00:00:10 (33.33 %)",
                          "1500 to 3000 Lx: 00:00:20 (66.67 %)",
                          "Above 3000 Lx: 00:00:00 (0 %)"}));
    QCOMPARE(shown(figureLines(computeFigures(r.series(), 1, 2, {}), r, {})),
             (QStringList{"Rows: 1", "Valid: 0", "Over range: 1", "First: 01-23:59:50",
                          "Last: 01-23:59:50", "Duration: 00:00:00", "No valid reading."}));
    QCOMPARE(shown(figureLines(computeFigures(r.series(), 2, 2, {}), r, {})),
             (QStringList{"Rows: 0", "Valid: 0", "Over range: 0", "No valid reading."}));
}

void TestReadings::historyExport() {
    // Two readings a second: no time repeats.
    const QDateTime start(QDate(2026, 12, 8), QTime(14, 22, 45), QTimeZone(3600));
    const std::vector<float> values{523.4f, 1000000.0f, std::nanf("")};
    const Readings r = Readings::fromHistory(values, QStringLiteral("Lx"), start, 0.5, 1000000.0f,
                                             QTimeZone(3600));
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    QVERIFY(writeCsv(out, exportRows(r), r.unit(), nullptr));
    QCOMPARE(out.data(), QByteArray("time,reading,value,unit\r\n"
                                    "2026-12-08T14:22:45.000+01:00,523.4,523.4,Lx\r\n"
                                    "2026-12-08T14:22:45.500+01:00,OL,,Lx\r\n"
                                    "2026-12-08T14:22:46.000+01:00,,,Lx\r\n"));
}

QTEST_APPLESS_MAIN(TestReadings)
#include "test_readings.moc"
