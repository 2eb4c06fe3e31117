// What the tool reports of one reading, and which frames count as a new reading.
#include "cli/reading.h"
#include "text/time_stamp.h"

#include <QTest>
#include <QTimeZone>

class TestReading : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void isoTime_data();
    void isoTime();
    void repeats_data();
    void repeats();
    void lux_data();
    void lux();
    void readJsonFields();
};

namespace {

const QDateTime kAt(QDate(2026, 12, 8), QTime(14, 22, 45, 100), QTimeZone(3600));

cli::Reading reading(const QString& text, const QString& unit = QStringLiteral("Lx"),
                     const QDateTime& at = kAt) {
    return {at, text, unit, {}};
}

} // namespace

Q_DECLARE_METATYPE(cli::Reading)

void TestReading::isoTime_data() {
    QTest::addColumn<QDateTime>("when");
    QTest::addColumn<QString>("expected");
    QTest::newRow("an hour east") << kAt << "2026-12-08T14:22:45+01:00";
    QTest::newRow("UTC") << QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5), QTimeZone::utc())
                         << "2026-01-02T03:04:05+00:00";
    QTest::newRow("west, half hours")
        << QDateTime(QDate(2026, 7, 1), QTime(23, 59, 59, 999), QTimeZone(-(9 * 3600 + 1800)))
        << "2026-07-01T23:59:59-09:30";
    QTest::newRow("east, 45 minutes")
        << QDateTime(QDate(2026, 3, 31), QTime(0, 0), QTimeZone(5 * 3600 + 2700))
        << "2026-03-31T00:00:00+05:45";
}

void TestReading::isoTime() {
    QFETCH(QDateTime, when);
    QFETCH(QString, expected);
    QCOMPARE(textrules::isoTimeText(when), expected);
}

void TestReading::repeats_data() {
    QTest::addColumn<cli::Reading>("now");
    QTest::addColumn<bool>("annunciatorsCount");
    QTest::addColumn<bool>("repeats");
    // Each row against reading("123.4") at kAt.
    meterlink::MeterStatus hold;
    hold.HoldOn = true;
    const cli::Reading held{kAt, QStringLiteral("123.4"), QStringLiteral("Lx"), hold};
    QTest::newRow("same frame again") << reading("123.4", "Lx", kAt.addMSecs(800)) << true << true;
    QTest::newRow("next second") << reading("123.4", "Lx", kAt.addMSecs(900)) << true << false;
    QTest::newRow("new text") << reading("123.5") << true << false;
    QTest::newRow("new unit") << reading("123.4", "Fc") << true << false;
    QTest::newRow("annunciator, shown") << held << true << false;
    QTest::newRow("annunciator, not shown") << held << false << true;
}

void TestReading::repeats() {
    QFETCH(cli::Reading, now);
    QFETCH(bool, annunciatorsCount);
    QFETCH(bool, repeats);
    QCOMPARE(cli::repeatsReading(reading("123.4"), now, annunciatorsCount), repeats);
}

void TestReading::lux_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("unit");
    QTest::addColumn<double>("value"); // -1: none
    QTest::addColumn<double>("lux");   // -1: none
    QTest::newRow("lux") << "1234.5"
                         << "Lx" << 1234.5 << 1234.5;
    QTest::newRow("foot-candles") << "100.5"
                                  << "Fc" << 100.5 << 1081.773;
    QTest::newRow("foot-candles, rounded") << "0.03"
                                           << "Fc" << 0.03 << 0.323;
    QTest::newRow("over range") << "OL"
                                << "Lx" << -1.0 << -1.0;
    QTest::newRow("no unit") << "12"
                             << "" << 12.0 << -1.0;
    QTest::newRow("empty") << ""
                           << "Lx" << -1.0 << -1.0;
    // The reading rule every output shares: the leading number, an exponent not part of it.
    QTest::newRow("1E3") << "1E3"
                         << "Lx" << 1.0 << 1.0;
}

void TestReading::lux() {
    QFETCH(QString, text);
    QFETCH(QString, unit);
    QFETCH(double, value);
    QFETCH(double, lux);
    const cli::Reading r = reading(text, unit);
    QCOMPARE(cli::readingValue(r).value_or(-1.0), value);
    QCOMPARE(cli::readingLux(r).value_or(-1.0), lux);
}

void TestReading::readJsonFields() {
    cli::Reading r = reading("OL");
    r.status.HoldOn = true;
    r.status.LxOn = true;
    QCOMPARE(cli::jsonText(cli::readJson(r)),
             QStringLiteral("{\"annunciators\":[\"HoldOn\",\"LxOn\"],"
                            "\"iso_time\":\"2026-12-08T14:22:45+01:00\",\"reading\":\"OL\","
                            "\"time\":\"08-14:22:45\",\"unit\":\"Lx\",\"value\":null}"));
}

QTEST_GUILESS_MAIN(TestReading)
#include "test_reading.moc"
