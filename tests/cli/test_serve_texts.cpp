// What serve tells the scraper and the broker, and the limits and schedules it keeps.
#include "cli/http_request.h"
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
    void discovery();
    void statePolicy_data();
    void statePolicy();
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
                                  << "luxpanel_illuminance_lux{meter=\"ttyUSB0\"} 1081.782|"
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
                       "\"lux\":1081.782,\"reading\":\"100.5\",\"unit\":\"Fc\",\"value\":100.5}"));
    r.text = QStringLiteral("OL");
    const QJsonObject over = cli::stateJson(r);
    QVERIFY(over.value("lux").isNull());
    QVERIFY(over.value("value").isNull());
}

void TestServeTexts::names_data() {
    QTest::addColumn<QString>("host");
    QTest::addColumn<QString>("device");
    QTest::addColumn<QString>("name");
    QTest::newRow("usb") << "greenhouse-pi"
                         << "/dev/ttyUSB0"
                         << "greenhouse-pi_ttyUSB0";
    QTest::newRow("other host") << "shed"
                                << "/dev/ttyUSB0"
                                << "shed_ttyUSB0";
    QTest::newRow("by id, domain name") << "pi.lan"
                                        << "/dev/serial/by-id/usb-FTDI_FT232R:1.0-if00-port0"
                                        << "pi_lan_usb-FTDI_FT232R_1_0-if00-port0";
    QTest::newRow("not ASCII") << "büro"
                               << "/dev/Messgerät"
                               << "b_ro_Messger_t";
    QTest::newRow("nothing") << ""
                             << "/"
                             << "host_meter";
    // Too long: cut, with a hash of the whole that tells apart two names cut alike.
    QTest::newRow("long") << "pi"
                          << "/dev/" + QString(70, u'x') << "pi_" + QString(52, u'x') + "-970e4bf2";
    QTest::newRow("long, another")
        << "pi"
        << "/dev/" + QString(71, u'x') << "pi_" + QString(52, u'x') + "-fdae7773";
}

void TestServeTexts::names() {
    QFETCH(QString, host);
    QFETCH(QString, device);
    QFETCH(QString, name);
    QCOMPARE(cli::defaultMeterName(host, device), name);
    QVERIFY(cli::isMeterName(name));
}

void TestServeTexts::reconnectSchedule() {
    QList<int> delays;
    for (int failures = 1; failures <= 9; ++failures)
        delays << cli::reconnectDelaySeconds(failures);
    QCOMPARE(delays, (QList<int>{1, 2, 4, 8, 16, 30, 30, 30, 30}));
    QCOMPARE(cli::reconnectDelaySeconds(1000000), 30);
}

void TestServeTexts::discovery() {
    const cli::Topics topics =
        cli::topicsFor(QStringLiteral("luxpanel/Pi-2_ttyUSB0"), QStringLiteral("Pi-2_ttyUSB0"));
    QCOMPARE(topics.discovery,
             QStringLiteral("homeassistant/sensor/luxpanel_Pi-2_ttyUSB0/illuminance/config"));
    const QJsonObject config = cli::discoveryConfig(QStringLiteral("Pi-2_ttyUSB0"), topics,
                                                    {"10.04", "https://example.org/help"}, 180);
    QCOMPARE(
        QJsonDocument(config).toJson(QJsonDocument::Compact),
        QByteArray(
            "{\"availability_topic\":\"luxpanel/Pi-2_ttyUSB0/availability\","
            "\"default_entity_id\":\"sensor.luxpanel_pi_2_ttyusb0_illuminance\","
            "\"device\":{\"identifiers\":[\"luxpanel_Pi-2_ttyUSB0\"],\"model\":\"light meter\","
            "\"name\":\"LuxPanel Pi-2_ttyUSB0\"},\"device_class\":\"illuminance\","
            "\"expire_after\":180,"
            "\"json_attributes_template\":\"{{ {'reading': value_json.reading, 'unit': "
            "value_json.unit, 'annunciators': value_json.annunciators} | tojson }}\","
            "\"json_attributes_topic\":\"luxpanel/Pi-2_ttyUSB0/state\",\"name\":\"Illuminance\","
            "\"origin\":{\"name\":\"LuxPanel\",\"support_url\":\"https://example.org/help\","
            "\"sw_version\":\"10.04\"},\"payload_available\":\"online\","
            "\"payload_not_available\":\"offline\",\"state_class\":\"measurement\","
            "\"state_topic\":\"luxpanel/Pi-2_ttyUSB0/state\","
            "\"unique_id\":\"luxpanel_Pi-2_ttyUSB0_illuminance\",\"unit_of_measurement\":\"lx\","
            "\"value_template\":\"{{ value_json.lux }}\"}"));
    // No address: no support_url rather than an empty one, which Home Assistant would refuse.
    QVERIFY(!cli::discoveryConfig("a", topics, {"10.04", ""}, 180)
                 .value("origin")
                 .toObject()
                 .contains("support_url"));
}

void TestServeTexts::statePolicy_data() {
    QTest::addColumn<double>("every");
    // Readings "seconds:text" and whether each is sent.
    QTest::addColumn<QStringList>("readings");
    QTest::addColumn<QList<bool>>("sent");
    QTest::newRow("changes, at most one a second")
        << 1.0 << QStringList{"0:1", "0.3:2", "0.6:3", "1.0:3", "1.3:4", "2.0:4", "2.4:4"}
        << QList<bool>{true, false, false, true, false, true, false};
    QTest::newRow("steady: once a minute")
        << 1.0 << QStringList{"0:5", "1:5", "59.9:5", "60:5", "61:6"}
        << QList<bool>{true, false, false, true, true};
    QTest::newRow("every change") << 0.0 << QStringList{"0:1", "0.1:2", "0.2:2", "0.3:1"}
                                  << QList<bool>{true, true, false, true};
    QTest::newRow("every 300 s") << 300.0 << QStringList{"0:1", "200:2", "300:2", "500:2", "600:2"}
                                 << QList<bool>{true, false, true, false, true};
    // The meter lost and found: its first reading back goes at once.
    QTest::newRow("lost") << 1.0 << QStringList{"0:1", "0.2:lost", "0.4:1"}
                          << QList<bool>{true, false, true};
}

void TestServeTexts::statePolicy() {
    QFETCH(double, every);
    QFETCH(QStringList, readings);
    QFETCH(QList<bool>, sent);
    cli::StatePolicy policy(every);
    QList<bool> seen;
    for (const QString& r : readings) {
        const QString text = r.section(u':', 1);
        if (text == QLatin1String("lost")) {
            policy.forget();
            seen << false;
            continue;
        }
        seen << policy.due(cli::Reading{kAt, text, QStringLiteral("Lx"), {}},
                           r.section(u':', 0, 0).toDouble());
    }
    QCOMPARE(seen, sent);
    QCOMPARE(cli::stateExpirySeconds(every), every > 60 ? int(3 * every) : 180);
}

void TestServeTexts::requestHeads_data() {
    QTest::addColumn<QByteArray>("in");
    QTest::addColumn<QString>("outcome"); // "incomplete", a status, or "METHOD PATH LENGTH closes"
    const QByteArray line = "GET /metrics HTTP/1.1\r\n"; // 23 bytes
    // A head of exactly the limit: the line, a header padded to fit, the blank line.
    const QByteArray exact = line + "X: " + QByteArray(8192 - 23 - 3 - 4, 'a') + "\r\n\r\n";
    QTest::newRow("small") << line + "Host: a\r\n\r\nGET /next"
                           << "GET /metrics 34 keep";
    QTest::newRow("head of the limit") << exact << "400"; // no Host
    QTest::newRow("limit with Host")
        << line + "Host: a\r\nX: " + QByteArray(8192 - 23 - 9 - 3 - 4, 'a') + "\r\n\r\n"
        << "GET /metrics 8192 keep";
    QTest::newRow("a byte more") << exact.left(30) + 'a' + exact.mid(30) << "431";
    QTest::newRow("head not ended at the limit") << line + QByteArray(8200, 'a') << "431";
    QTest::newRow("request line") << "GET /" + QByteArray(8200, 'a') << "414";
    QTest::newRow("half a head") << line + "Host: a\r\n"
                                 << "incomplete";
    QTest::newRow("blank lines first, bare line feeds")
        << QByteArray("\r\n\nHEAD /reading?x=1#y HTTP/1.1\nHost: a\n\n") << "HEAD /reading 41 keep";
    QTest::newRow("absolute form")
        << QByteArray("GET http://pi:9105/metrics HTTP/1.1\r\nHost: pi\r\n\r\n")
        << "GET /metrics 49 keep";
    QTest::newRow("close") << line + "Host: a\r\nConnection: Keep-Alive, Close\r\n\r\n"
                           << "GET /metrics 65 closes";
    QTest::newRow("HTTP/1.0") << QByteArray("GET / HTTP/1.0\r\n\r\n") << "GET / 18 closes";
    QTest::newRow("HTTP/1.0 keep-alive")
        << QByteArray("GET / HTTP/1.0\r\nConnection: keep-alive\r\n\r\n") << "GET / 42 keep";
    QTest::newRow("a body") << QByteArray(
                                   "POST / HTTP/1.1\r\nHost: a\r\nContent-Length: 9000\r\n\r\n")
                            << "POST / 50 closes";
    QTest::newRow("an empty body")
        << QByteArray("POST / HTTP/1.1\r\nHost: a\r\nContent-Length: 00\r\n\r\n")
        << "POST / 48 keep";
    QTest::newRow("chunked")
        << QByteArray("POST / HTTP/1.1\r\nHost: a\r\nTransfer-Encoding: chunked\r\n\r\n")
        << "POST / 56 closes";
    QTest::newRow("chunked and a length")
        << QByteArray("POST / HTTP/1.1\r\nHost: a\r\nTransfer-Encoding: chunked\r\nContent-Length: "
                      "3\r\n\r\n")
        << "400";
    QTest::newRow("two lengths")
        << QByteArray(
               "POST / HTTP/1.1\r\nHost: a\r\nContent-Length: 3\r\nContent-Length: 4\r\n\r\n")
        << "400";
    QTest::newRow("two hosts") << line + "Host: a\r\nHost: b\r\n\r\n"
                               << "400";
    QTest::newRow("space before the colon") << line + "Host : a\r\n\r\n"
                                            << "400";
    QTest::newRow("folded header") << line + "Host: a\r\n b\r\n\r\n"
                                   << "400";
    QTest::newRow("NUL in a value") << line + QByteArray("Host: a\0b\r\n\r\n", 14) << "400";
    QTest::newRow("space in the target")
        << QByteArray("GET /a b HTTP/1.1\r\nHost: a\r\n\r\n") << "400";
    QTest::newRow("not HTTP") << QByteArray("hello\r\n\r\n") << "400";
    QTest::newRow("HTTP/2") << QByteArray("PRI * HTTP/2.0\r\n\r\nSM\r\n\r\n") << "505";
}

void TestServeTexts::requestHeads() {
    QFETCH(QByteArray, in);
    QFETCH(QString, outcome);
    const auto head = cli::parseRequestHead(in);
    QString seen = QStringLiteral("incomplete");
    if (const auto* refused = std::get_if<cli::RefusedHead>(&head))
        seen = QString::number(refused->status);
    if (const auto* r = std::get_if<cli::HttpRequest>(&head))
        seen = QStringLiteral("%1 %2 %3 %4")
                   .arg(QString::fromLatin1(r->method), QString::fromLatin1(r->path))
                   .arg(r->headLength)
                   .arg(r->closes ? "closes" : "keep");
    QCOMPARE(seen, outcome);
}

QTEST_GUILESS_MAIN(TestServeTexts)
#include "test_serve_texts.moc"
