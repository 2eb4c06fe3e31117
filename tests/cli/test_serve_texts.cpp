// What serve tells the scraper and the broker, and the limits and schedules it keeps.
#include "cli/request_limit.h"
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
    void throttle_data();
    void throttle();
    void requestHeads_data();
    void requestHeads();
};

namespace {

const QDateTime kAt(QDate(2026, 12, 8), QTime(14, 22, 45, 250), QTimeZone(3600));

cli::MeterFigures figures(bool up, const QString& text, const QString& unit) {
    cli::MeterFigures f{QStringLiteral("ttyUSB0"), up, std::nullopt, 42, 3};
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
    QTest::newRow("too long") << "/dev/" + QString(70, u'x') << QString(64, u'x');
    QTest::newRow("not ASCII") << "/dev/Messgerät"
                               << "Messger_t";
    QTest::newRow("nothing") << "/"
                             << "meter";
}

void TestServeTexts::names() {
    QFETCH(QString, device);
    QFETCH(QString, name);
    QCOMPARE(cli::defaultMeterName(device), name);
    QVERIFY(cli::isMeterName(name));
}

void TestServeTexts::reconnectSchedule() {
    QList<int> delays;
    for (int failures = 1; failures <= 9; ++failures)
        delays << cli::reconnectDelaySeconds(failures);
    QCOMPARE(delays, (QList<int>{1, 2, 4, 8, 16, 30, 30, 30, 30}));
    QCOMPARE(cli::reconnectDelaySeconds(1000000), 30);
}

void TestServeTexts::throttle_data() {
    QTest::addColumn<double>("interval");
    QTest::addColumn<QList<double>>("times");
    QTest::addColumn<QList<bool>>("passed");
    QTest::newRow("every reading")
        << 0.0 << QList<double>{0.0, 0.0, 0.1, 5.0} << QList<bool>{true, true, true, true};
    QTest::newRow("every 5 s") << 5.0 << QList<double>{10.0, 11.0, 14.9, 15.0, 19.0, 20.5}
                               << QList<bool>{true, false, false, true, false, true};
}

void TestServeTexts::throttle() {
    QFETCH(double, interval);
    QFETCH(QList<double>, times);
    QFETCH(QList<bool>, passed);
    cli::Throttle t(interval);
    QList<bool> seen;
    for (double now : times)
        seen << t.pass(now);
    QCOMPARE(seen, passed);
}

void TestServeTexts::requestHeads_data() {
    using V = cli::RequestHeadLimit::Verdict;
    QTest::addColumn<QList<QByteArray>>("pieces");
    QTest::addColumn<int>("verdict");
    const QByteArray line = "GET /metrics HTTP/1.1\r\n"; // 23 bytes
    // A head of exactly the limit: the line, a header padded to fit, the blank line.
    const QByteArray exact = line + "X: " + QByteArray(8192 - 23 - 3 - 4, 'a') + "\r\n\r\n";
    QTest::newRow("small request") << QList<QByteArray>{line + "Host: a\r\n\r\n"} << int(V::Fine);
    QTest::newRow("head of the limit") << QList<QByteArray>{exact} << int(V::Fine);
    QTest::newRow("one byte more")
        << QList<QByteArray>{exact.left(30) + 'a' + exact.mid(30)} << int(V::HeadTooLarge);
    QTest::newRow("in pieces") << QList<QByteArray>{exact.left(4000), exact.mid(4000, 4000),
                                                    exact.mid(8000, 180) + 'a' + exact.mid(8180)}
                               << int(V::HeadTooLarge);
    QTest::newRow("many headers, no end")
        << QList<QByteArray>(400, "Cookie: 0123456789012345\r\n") << int(V::HeadTooLarge);
    QTest::newRow("request line") << QList<QByteArray>{"GET /" + QByteArray(8200, 'a')}
                                  << int(V::LineTooLong);
    // Each request of a kept-alive connection starts its count again.
    QTest::newRow("kept alive") << QList<QByteArray>(3, exact) << int(V::Fine);
    QTest::newRow("bare line feeds")
        << QList<QByteArray>{"GET / HTTP/1.1\nHost: a\n\n", exact} << int(V::Fine);
    QTest::newRow("refused stays refused")
        << QList<QByteArray>{"GET /" + QByteArray(8200, 'a'), "\r\n\r\n", line + "\r\n"}
        << int(V::LineTooLong);
}

void TestServeTexts::requestHeads() {
    QFETCH(QList<QByteArray>, pieces);
    QFETCH(int, verdict);
    cli::RequestHeadLimit limit(cli::kRequestHeadLimit);
    auto seen = cli::RequestHeadLimit::Verdict::Fine;
    for (const QByteArray& piece : pieces)
        seen = limit.take(piece);
    QCOMPARE(int(seen), verdict);
}

QTEST_GUILESS_MAIN(TestServeTexts)
#include "test_serve_texts.moc"
