// What serve tells the scraper and the broker, and the limits and schedules it keeps.
#include "cli/serve_texts.h"
#include "exposition_check.h"

#include <QJsonDocument>
#include <QTest>
#include <QTimeZone>

class TestServeTexts : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void metricsSamples_data();
    void metricsSamples();
    void expositionReader_data();
    void expositionReader();
    void stateMessage();
    void names_data();
    void names();
    void reconnectSchedule();
    void statePolicy_data();
    void statePolicy();
};

namespace {

const QDateTime kAt(QDate(2026, 12, 8), QTime(14, 22, 45, 250), QTimeZone(3600));

cli::MeterFigures figures(bool up, const QString& text, const QString& unit) {
    cli::MeterFigures f{QStringLiteral("ttyUSB0"), up, std::nullopt, 42, 3, std::nullopt};
    if (!text.isEmpty())
        f.last = cli::Reading{kAt, text, unit, {}};
    return f;
}

} // namespace

void TestServeTexts::metricsSamples_data() {
    QTest::addColumn<bool>("up");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("unit");
    QTest::addColumn<QString>("samples"); // the sample lines before the counters, "|" apart
    QTest::newRow("lux") << true << "1234.5"
                         << "Lx"
                         << "luxpanel_illuminance_lux{meter=\"ttyUSB0\"} 1234.5|"
                            "luxpanel_reading{meter=\"ttyUSB0\",unit=\"Lx\"} 1234.5|"
                            "luxpanel_meter_up{meter=\"ttyUSB0\"} 1";
    QTest::newRow("foot-candles") << true << "100.5"
                                  << "Fc"
                                  << "luxpanel_illuminance_lux{meter=\"ttyUSB0\"} 1081.773|"
                                     "luxpanel_reading{meter=\"ttyUSB0\",unit=\"Fc\"} 100.5|"
                                     "luxpanel_meter_up{meter=\"ttyUSB0\"} 1";
    QTest::newRow("over range") << true << "OL"
                                << "Lx"
                                << "luxpanel_meter_up{meter=\"ttyUSB0\"} 1";
    QTest::newRow("no unit on the display") << true << "12"
                                            << ""
                                            << "luxpanel_meter_up{meter=\"ttyUSB0\"} 1";
    QTest::newRow("large") << true << "999900"
                           << "Lx"
                           << "luxpanel_illuminance_lux{meter=\"ttyUSB0\"} 999900|"
                              "luxpanel_reading{meter=\"ttyUSB0\",unit=\"Lx\"} 999900|"
                              "luxpanel_meter_up{meter=\"ttyUSB0\"} 1";
    QTest::newRow("down after a reading") << false << "1234.5"
                                          << "Lx"
                                          << "luxpanel_meter_up{meter=\"ttyUSB0\"} 0";
    QTest::newRow("no reading yet") << false << ""
                                    << ""
                                    << "luxpanel_meter_up{meter=\"ttyUSB0\"} 0";
}

void TestServeTexts::metricsSamples() {
    QFETCH(bool, up);
    QFETCH(QString, text);
    QFETCH(QString, unit);
    QFETCH(QString, samples);
    const QByteArray page = cli::metricsText(figures(up, text, unit));
    QStringList seen;
    for (const QByteArray& line : page.split('\n'))
        if (!line.isEmpty() && !line.startsWith('#') && !line.startsWith("luxpanel_readings") &&
            !line.startsWith("luxpanel_link") && !line.startsWith("luxpanel_last"))
            seen << QString::fromUtf8(line);
    QCOMPARE(seen.join(u'|'), samples);
    // The counters always; the time of the last reading, 2026-12-08 13:22:45.25 UTC, from the
    // first reading on, the meter down or not.
    QVERIFY(page.endsWith("luxpanel_readings_total{meter=\"ttyUSB0\"} 42\n"
                          "# HELP luxpanel_link_lost_total Times the meter stopped giving readings "
                          "since serve started.\n"
                          "# TYPE luxpanel_link_lost_total counter\n"
                          "luxpanel_link_lost_total{meter=\"ttyUSB0\"} 3\n"
                          "# HELP luxpanel_last_reading_timestamp_seconds When the last reading "
                          "was taken, in seconds since 1970 (UTC).\n"
                          "# TYPE luxpanel_last_reading_timestamp_seconds gauge\n" +
                          QByteArray(text.isEmpty() ? ""
                                                    : "luxpanel_last_reading_timestamp_seconds"
                                                      "{meter=\"ttyUSB0\"} 1796736165.25\n")));
}

// The reader that checks the served page must itself refuse what a scraper would.
void TestServeTexts::expositionReader_data() {
    QTest::addColumn<QByteArray>("page");
    QTest::addColumn<QString>("fault"); // empty: none; else a part of the fault
    QTest::newRow("ours, up") << cli::metricsText(figures(true, "100.5", "Fc")) << "";
    QTest::newRow("ours, down") << cli::metricsText(figures(false, "", "")) << "";
    const QByteArray head = "# HELP a_total A.\n# TYPE a_total counter\n";
    QTest::newRow("plain") << head + "a_total{x=\"1\"} 2\na_total{x=\"2\"} 3e+06\n"
                           << "";
    QTest::newRow("escapes and specials")
        << QByteArray("# HELP g G.\n# TYPE g gauge\ng{l=\"a\\\"b\\\\c\\n\"} NaN\n"
                      "g{l=\"b\"} +Inf 1700000000000\n")
        << "";
    QTest::newRow("no line feed at the end") << head + "a_total 1"
                                             << "line feed";
    QTest::newRow("no TYPE") << QByteArray("# HELP g G.\ng 1\n") << "without HELP and TYPE";
    QTest::newRow("no HELP") << QByteArray("# TYPE g gauge\ng 1\n") << "without HELP and TYPE";
    QTest::newRow("TYPE after samples")
        << QByteArray("# HELP g G.\ng 1\n# TYPE g gauge\n") << "without HELP and TYPE";
    QTest::newRow("two TYPEs") << head + "# TYPE a_total counter\na_total 1\n"
                               << "second TYPE";
    QTest::newRow("bad type") << QByteArray("# HELP g G.\n# TYPE g number\ng 1\n")
                              << "unknown type";
    QTest::newRow("counter without _total")
        << QByteArray("# HELP c C.\n# TYPE c counter\nc 1\n") << "_total";
    QTest::newRow("negative counter") << head + "a_total -1\n"
                                      << "_total";
    QTest::newRow("not a number") << head + "a_total 1,5\n"
                                  << "not a number";
    QTest::newRow("bad name") << head + "1a_total 1\n"
                              << "not a sample";
    QTest::newRow("unquoted label") << head + "a_total{x=1} 1\n"
                                    << "malformed label";
    QTest::newRow("label twice") << head + "a_total{x=\"1\",x=\"2\"} 1\n"
                                 << "label given twice";
    QTest::newRow("series twice") << head + "a_total{x=\"1\"} 1\na_total{x=\"1\"} 2\n"
                                  << "series given twice";
    QTest::newRow("family split")
        << head + "a_total 1\n# HELP g G.\n# TYPE g gauge\ng 1\na_total{x=\"1\"} 1\n"
        << "not together";
    QTest::newRow("blank line") << head + "\na_total 1\n"
                                << "not a sample";
}

void TestServeTexts::expositionReader() {
    QFETCH(QByteArray, page);
    QFETCH(QString, fault);
    const std::optional<QString> found = exposition::check(page);
    if (fault.isEmpty())
        QVERIFY2(!found, qPrintable(found.value_or(QString())));
    else
        QVERIFY2(found && found->contains(fault), qPrintable(found.value_or("no fault found")));
}

void TestServeTexts::stateMessage() {
    cli::Reading r{kAt, QStringLiteral("100.5"), QStringLiteral("Fc"), {}};
    r.status.FcOn = true;
    QCOMPARE(
        cli::jsonText(cli::stateJson(r)),
        QStringLiteral("{\"annunciators\":[\"FcOn\"],\"iso_time\":\"2026-12-08T14:22:45+01:00\","
                       "\"lux\":1081.773,\"reading\":\"100.5\",\"unit\":\"Fc\",\"value\":100.5}"));
    r.text = QStringLiteral("OL");
    const QJsonObject over = cli::stateJson(r);
    QVERIFY(over.value("lux").isNull());
    QVERIFY(over.value("value").isNull());
}

void TestServeTexts::names_data() {
    QTest::addColumn<QString>("device");
    QTest::addColumn<QString>("name");
    QTest::newRow("usb") << "/dev/ttyUSB0"
                         << "ttyUSB0";
    QTest::newRow("by id") << "/dev/serial/by-id/usb-FTDI_FT232R:1.0-if00-port0"
                           << "usb-FTDI_FT232R_1_0-if00-port0";
    // Cut to 64, with a hash of the whole: two names cut alike stay apart.
    QTest::newRow("too long") << "/dev/" + QString(70, u'x') << QString(48, u'x') + "-e92e74d5";
    QTest::newRow("not ASCII") << "/dev/Messgerät"
                               << "Messger_t";
    QTest::newRow("nothing") << "/"
                             << "meter";
}

void TestServeTexts::names() {
    QFETCH(QString, device);
    QFETCH(QString, name);
    QCOMPARE(cli::defaultMeterName("pi.lan", device), "pi_lan_" + name);
    QVERIFY(cli::isMeterName("pi_lan_" + name));
    QVERIFY(cli::defaultMeterName("shed", device) != cli::defaultMeterName("pi.lan", device));
}

void TestServeTexts::reconnectSchedule() {
    QList<int> delays;
    for (int failures = 1; failures <= 9; ++failures)
        delays << cli::reconnectDelaySeconds(failures);
    QCOMPARE(delays, (QList<int>{1, 2, 4, 8, 16, 30, 30, 30, 30}));
    QCOMPARE(cli::reconnectDelaySeconds(1000000), 30);
}

void TestServeTexts::statePolicy_data() {
    QTest::addColumn<double>("every");
    QTest::addColumn<QStringList>("readings"); // "seconds:text"; "lost" for the meter lost
    QTest::addColumn<QList<bool>>("sent");
    // The change at 1.3 s waits for the first reading from 2 s on.
    QTest::newRow("at most one a second")
        << 1.0 << QStringList{"0:1", "0.3:2", "0.6:3", "1.0:3", "1.3:4", "2.0:4", "2.4:4"}
        << QList<bool>{true, false, false, true, false, true, false};
    QTest::newRow("steady: once a minute") << 1.0 << QStringList{"0:5", "59.9:5", "60:5", "60.5:6"}
                                           << QList<bool>{true, false, true, false};
    QTest::newRow("every 300 s") << 300.0 << QStringList{"0:1", "200:2", "300:2", "500:2", "600:2"}
                                 << QList<bool>{true, false, true, false, true};
    QTest::newRow("found again") << 1.0 << QStringList{"0:1", "0.2:lost", "0.4:1"}
                                 << QList<bool>{true, false, true};
}

void TestServeTexts::statePolicy() {
    QFETCH(double, every);
    QFETCH(QStringList, readings);
    QFETCH(QList<bool>, sent);
    cli::StatePolicy policy(every);
    QList<bool> seen;
    for (const QString& r : readings) {
        if (r.endsWith(QLatin1String("lost")))
            policy.forget();
        seen << (!r.endsWith(QLatin1String("lost")) &&
                 policy.due({kAt, r.section(u':', 1), QStringLiteral("Lx"), {}},
                            r.section(u':', 0, 0).toDouble()));
    }
    QCOMPARE(seen, sent);
    QCOMPARE(cli::stateExpirySeconds(every), every > 60 ? int(3 * every) : 180);
}

QTEST_GUILESS_MAIN(TestServeTexts)
#include "test_serve_texts.moc"
