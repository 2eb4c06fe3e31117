// serve's HTTP side as a scraper and a careless client meet it, against the simulated meter
// through a real serial port.
#include "exposition_check.h"
#include "serve_process.h"
#include "sim/simulated_meter.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>
#include <QTemporaryDir>

using namespace std::chrono_literals;

class TestServeHttp : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void answers_data();
    void answers();
    void metricsAreWellFormed();
    void readingFollowsTheMeter();
    void silentClientsAreDropped();
    void meterDownAnswers503();

private:
    std::unique_ptr<QTemporaryDir> folder_;
    std::unique_ptr<sim::SimulatedMeter> meter_;
    ServeProcess serve_;
    quint16 port_ = 0;
};

void TestServeHttp::initTestCase() {
    folder_ = std::make_unique<QTemporaryDir>();
    meter_ = std::make_unique<sim::SimulatedMeter>(folder_->filePath(QStringLiteral("ttySIM")));
    QString why;
    QVERIFY2(meter_->start(&why), qPrintable(why));
    meter_->setFixedReading(1234.5);
    serve_.start({"--port", meter_->linkPath(), "--http", "0", "--name", "desk", "--timeout", "5"});
    port_ = serve_.httpPort();
    QVERIFY2(port_ != 0, serve_.said().constData());
    QVERIFY2(serve_.waitToSay("the meter gives readings", 30000), serve_.said().constData());
}

void TestServeHttp::cleanupTestCase() {
    serve_.stop(SIGTERM);
    QCOMPARE(serve_.process().exitCode(), 0);
    meter_.reset();
}

void TestServeHttp::answers_data() {
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("inHead");
    const QByteArray end = " HTTP/1.1\r\nHost: localhost\r\n\r\n";
    QTest::newRow("metrics") << "GET /metrics" + end << 200
                             << QByteArray(
                                    "Content-Type: text/plain; version=0.0.4; charset=utf-8");
    QTest::newRow("metrics with a query") << "GET /metrics?name=x" + end << 200 << QByteArray();
    QTest::newRow("reading") << "GET /reading" + end << 200
                             << QByteArray("Content-Type: application/json");
    QTest::newRow("root") << "GET /" + end << 404 << QByteArray();
    QTest::newRow("below a page") << "GET /metrics/x" + end << 404 << QByteArray();
    QTest::newRow("post") << QByteArray("POST /metrics HTTP/1.1\r\nHost: a\r\n"
                                        "Content-Length: 2\r\n\r\nab")
                          << 405 << QByteArray("Allow: GET");
    QTest::newRow("delete") << "DELETE /reading" + end << 405 << QByteArray("Allow: GET");
    QTest::newRow("head") << "HEAD /metrics" + end << 405 << QByteArray("Allow: GET");
    // A head of 8 KiB, the blank line included, and one a byte longer.
    const QByteArray line = "GET /metrics HTTP/1.1\r\n";
    const QByteArray fill(8192 - line.size() - 10 - 2, 'a');
    QTest::newRow("8 KiB head") << line + "X-Fill: " + fill + "\r\n\r\n" << 200 << QByteArray();
    QTest::newRow("8 KiB and a byte") << line + "X-Fill: a" + fill + "\r\n\r\n"
                                      << 431 << QByteArray("Connection: close");
    QTest::newRow("many headers") << line + QByteArray("X-A: 0123456789\r\n").repeated(600) + "\r\n"
                                  << 431 << QByteArray();
    QTest::newRow("long request line")
        << "GET /metrics?" + QByteArray(9000, 'a') + end << 414 << QByteArray();
}

void TestServeHttp::answers() {
    QFETCH(QByteArray, request);
    QFETCH(int, status);
    QFETCH(QByteArray, inHead);
    const HttpReply reply = httpExchange(port_, request);
    QCOMPARE(reply.status, status);
    QVERIFY2(reply.head.contains(inHead), reply.head.constData());
    // Whatever came before, the next scrape is answered.
    QCOMPARE(httpGet(port_, "/metrics").status, 200);
}

void TestServeHttp::metricsAreWellFormed() {
    const HttpReply reply = httpGet(port_, "/metrics");
    QCOMPARE(reply.status, 200);
    QStringList samples;
    const std::optional<QString> fault = exposition::check(reply.body, &samples);
    QVERIFY2(!fault, qPrintable(fault.value_or(QString())));
    QVERIFY2(samples.contains("luxpanel_illuminance_lux{meter=\"desk\"} 1234.5"),
             reply.body.constData());
    QVERIFY(samples.contains("luxpanel_reading{meter=\"desk\",unit=\"Lx\"} 1234.5"));
    QVERIFY(samples.contains("luxpanel_meter_up{meter=\"desk\"} 1"));
    // Prometheus' own checker, where it is installed.
    const QString promtool = QStandardPaths::findExecutable(QStringLiteral("promtool"));
    if (promtool.isEmpty()) {
        qInfo("promtool is not installed: the page was checked by the test's own reader only");
        return;
    }
    QProcess check;
    check.start(promtool, {"check", "metrics"});
    check.write(reply.body);
    check.closeWriteChannel();
    QVERIFY(check.waitForFinished(30000));
    QVERIFY2(check.exitCode() == 0, check.readAll().constData());
}

void TestServeHttp::readingFollowsTheMeter() {
    meter_->setFixedReading(250.0);
    QJsonObject o;
    QTRY_VERIFY_WITH_TIMEOUT(
        (o = QJsonDocument::fromJson(httpGet(port_, "/reading").body).object()).value("reading") ==
            QStringLiteral("250.00"),
        15000);
    QCOMPARE(o.value("value").toDouble(), 250.0);
    QCOMPARE(o.value("unit").toString(), QStringLiteral("Lx"));
    QVERIFY(o.value("annunciators").toArray().contains(QStringLiteral("LxOn")));
    QVERIFY(QDateTime::fromString(o.value("iso_time").toString(), Qt::ISODate).isValid());
    QVERIFY(o.contains("time"));
    QTRY_VERIFY_WITH_TIMEOUT(
        httpGet(port_, "/metrics").body.contains("luxpanel_illuminance_lux{meter=\"desk\"} 250\n"),
        15000);
}

void TestServeHttp::silentClientsAreDropped() {
    // One that sends nothing, one that stops halfway, one that goes quiet after an answer; all
    // at once, so the test waits its ten seconds once.
    const QList<QByteArray> sent{QByteArray(), "GET /metrics HTTP/1.1\r\nHost: a",
                                 "GET /metrics HTTP/1.1\r\nHost: a\r\n\r\n"};
    std::vector<std::unique_ptr<QTcpSocket>> sockets;
    QElapsedTimer quiet;
    quiet.start();
    for (const QByteArray& bytes : sent) {
        sockets.push_back(std::make_unique<QTcpSocket>());
        sockets.back()->connectToHost(QHostAddress::LocalHost, port_);
        QVERIFY(sockets.back()->waitForConnected(10000));
        if (!bytes.isEmpty()) {
            sockets.back()->write(bytes);
            QVERIFY(sockets.back()->waitForBytesWritten(10000));
        }
    }
    for (const auto& socket : sockets)
        QTRY_VERIFY_WITH_TIMEOUT(socket->state() == QAbstractSocket::UnconnectedState, 40000);
    // Not before their ten seconds of silence.
    QVERIFY2(quiet.elapsed() >= 9500, qPrintable(QString::number(quiet.elapsed())));
    QVERIFY(sockets.back()->readAll().startsWith("HTTP/1.1 200 OK\r\n"));
}

namespace {

QByteArray sample(const QByteArray& page, const QByteArray& series) {
    const qsizetype at = page.indexOf('\n' + series + ' ');
    return at < 0 ? QByteArray() : page.mid(at + series.size() + 2).split('\n').front();
}

} // namespace

void TestServeHttp::meterDownAnswers503() {
    const QByteArray lostSeries = "luxpanel_link_lost_total{meter=\"desk\"}";
    const int lostBefore = sample(httpGet(port_, "/metrics").body, lostSeries).toInt();
    const qsizetype saidBefore = serve_.said().size();
    meter_->silence(60s);
    // --timeout 5: down after five seconds without a reading.
    QVERIFY2(serve_.waitToSay("the meter is down: no reading for 5 s", 30000, saidBefore),
             serve_.said().constData());
    const HttpReply reading = httpGet(port_, "/reading");
    QCOMPARE(reading.status, 503);
    QVERIFY(QJsonDocument::fromJson(reading.body).object().contains("error"));
    const QByteArray metrics = httpGet(port_, "/metrics").body;
    QVERIFY(!exposition::check(metrics));
    QCOMPARE(sample(metrics, "luxpanel_meter_up{meter=\"desk\"}"), QByteArray("0"));
    QCOMPARE(sample(metrics, lostSeries).toInt(), lostBefore + 1);
    QVERIFY(!metrics.contains("luxpanel_illuminance_lux{"));
    QVERIFY(!metrics.contains("luxpanel_reading{"));
    QVERIFY(metrics.contains("luxpanel_last_reading_timestamp_seconds{"));
    meter_->silence(0ms);
    QVERIFY2(serve_.waitToSay("the meter gives readings", 60000,
                              serve_.said().indexOf("the meter is down", saidBefore)),
             serve_.said().constData());
    QCOMPARE(httpGet(port_, "/reading").status, 200);
}

QTEST_GUILESS_MAIN(TestServeHttp)
#include "test_serve_http.moc"
