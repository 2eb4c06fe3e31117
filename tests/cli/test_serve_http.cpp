// serve's HTTP side as a scraper and a careless client meet it, against the simulated meter
// through a real serial port; and its endpoint in this process, under a crowd of slow clients.
#include "cli/http_endpoint.h"
#include "exposition_check.h"
#include "serve_process.h"
#include "sim/simulated_meter.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

#include <array>

#include <sys/socket.h>

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
    void slowClientsCannotCrowdOutAScrape();
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
    QTest::addColumn<bool>("halfClose"); // the client ends its side once the request is sent
    // The answer's status line and headers but Date and Content-Length, "|" apart. With
    // "Connection: close", or to a half-closed client, serve ends the connection with it at
    // once; else it answers the next request too.
    QTest::addColumn<QString>("answer");
    const QByteArray end = " HTTP/1.1\r\nHost: localhost\r\n\r\n";
    const QString metrics = "HTTP/1.1 200 OK|Content-Type: text/plain; version=0.0.4; "
                            "charset=utf-8|Cache-Control: no-store";
    const QString json = "|Content-Type: application/json|Cache-Control: no-store";
    const QString notAllowed = "HTTP/1.1 405 Method Not Allowed" + json + "|Allow: GET, HEAD";
    const QString close = "|Connection: close";
    QTest::newRow("metrics") << "GET /metrics?name=x" + end << false << metrics;
    QTest::newRow("absolute form, bare line feeds")
        << QByteArray("\r\nGET http://localhost/metrics HTTP/1.1\nHost: localhost\n\n") << false
        << metrics;
    QTest::newRow("head: the page's head") << "HEAD /metrics" + end << false << metrics;
    QTest::newRow("options") << "OPTIONS /metrics" + end << false << notAllowed;
    QTest::newRow("Connection: close")
        << QByteArray("GET /metrics HTTP/1.1\r\nHost: a\r\nConnection: close\r\n\r\n") << false
        << metrics + close;
    QTest::newRow("HTTP/1.0") << QByteArray("GET /metrics HTTP/1.0\r\n\r\n") << false
                              << metrics + close;
    QTest::newRow("sent with a half-close") << "GET /metrics" + end << true << metrics;
    QTest::newRow("HTTP/1.1 without Host") << QByteArray("GET /metrics HTTP/1.1\r\n\r\n") << false
                                           << "HTTP/1.1 400 Bad Request" + json + close;
    QTest::newRow("HTTP/2") << QByteArray("PRI * HTTP/2.0\r\n\r\nSM\r\n\r\n") << false
                            << "HTTP/1.1 505 HTTP Version Not Supported" + json + close;
    // No page takes a body: it is left unread, and the connection ends with the answer.
    QTest::newRow("post, a body over 8 KiB")
        << "POST /metrics HTTP/1.1\r\nHost: a\r\nContent-Length: 9000\r\n\r\n" +
               QByteArray(9000, 'b')
        << false << notAllowed + close;
    // A head a byte over 8 KiB, the blank line included.
    const QByteArray line = "GET /metrics HTTP/1.1\r\nHost: a\r\n";
    const QByteArray fill(8192 - line.size() - 10 - 2, 'a');
    QTest::newRow("8 KiB and a byte")
        << line + "X-Fill: a" + fill + "\r\n\r\n"
        << false << "HTTP/1.1 431 Request Header Fields Too Large" + json + close;
    QTest::newRow("long request line") << "GET /metrics?" + QByteArray(9000, 'a') + end << false
                                       << "HTTP/1.1 414 URI Too Long" + json + close;
}

void TestServeHttp::answers() {
    QFETCH(QByteArray, request);
    QFETCH(bool, halfClose);
    QFETCH(QString, answer);
    const bool ends = halfClose || answer.endsWith(QLatin1String("close"));
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port_);
    QVERIFY(socket.waitForConnected(10000));
    // Kept alive, the next request goes at once: its answer must follow, and nothing else.
    socket.write(ends ? request : request + "GET /metrics HTTP/1.1\r\nHost: a\r\n\r\n");
    QVERIFY(socket.waitForBytesWritten(10000));
    if (halfClose)
        ::shutdown(int(socket.socketDescriptor()), SHUT_WR);
    QElapsedTimer clock;
    clock.start();
    QByteArray in;
    // Kept alive: until the second answer, the metrics, has come whole.
    const auto secondAnswered = [&] {
        const qsizetype second = in.indexOf("HTTP/1.1 ", 1);
        return second > 0 && in.indexOf("luxpanel_last_reading_timestamp_seconds{", second) > 0;
    };
    while (clock.elapsed() < 20000 && socket.state() == QTcpSocket::ConnectedState &&
           (ends || !secondAnswered()))
        if (socket.waitForReadyRead(1000))
            in += socket.readAll();
    in += socket.readAll();
    const qsizetype headEnd = in.indexOf("\r\n\r\n");
    QStringList head;
    qsizetype length = 0;
    for (const QByteArray& field : in.left(headEnd).split('\n'))
        if (field.startsWith("Content-Length: "))
            length = field.mid(16).trimmed().toLongLong();
        else if (!field.startsWith("Date: "))
            head << QString::fromLatin1(field.trimmed());
    QCOMPARE(head.join(u'|'), answer);
    const QByteArray after = in.mid(headEnd + 4 + (request.startsWith("HEAD") ? 0 : length));
    if (ends) {
        // At once, not when the 10 s a request head may take are over.
        QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(socket.state(), QTcpSocket::UnconnectedState);
        QCOMPARE(after.size(), 0);
    } else {
        QVERIFY2(after.startsWith("HTTP/1.1 200 OK\r\n"), in.constData());
    }
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

void TestServeHttp::slowClientsCannotCrowdOutAScrape() {
    const cli::MeterFigures figures{QStringLiteral("desk"), true, std::nullopt, 1, 0, std::nullopt};
    QStringList said;
    cli::HttpEndpoint endpoint([&figures]() -> const cli::MeterFigures& { return figures; },
                               [&said](const QString& line) { said << line; }, {1500ms, 16});
    QString why;
    QVERIFY2(endpoint.listen({QStringLiteral("127.0.0.1"), 0}, &why), qPrintable(why));

    // Forty clients that send a request head a byte every 50 ms: none ever ends its head.
    const QByteArray trickle = "GET /metrics HTTP/1.1\r\nHost: a\r\nX: " + QByteArray(500, 'a');
    std::array<QTcpSocket, 40> slow;
    for (QTcpSocket& s : slow)
        s.connectToHost(QHostAddress::LocalHost, endpoint.port());
    qsizetype sent = 0;
    QTimer drip;
    QObject::connect(&drip, &QTimer::timeout, &drip, [&] {
        for (QTcpSocket& s : slow)
            if (s.state() == QTcpSocket::ConnectedState)
                s.write(trickle.mid(sent % trickle.size(), 1));
        ++sent;
    });
    drip.start(50);

    // Scrapes meanwhile, one after another: each is answered, and the crowd stays capped.
    for (int scrape = 0; scrape < 8; ++scrape) {
        QTcpSocket client;
        client.connectToHost(QHostAddress::LocalHost, endpoint.port());
        client.write("GET /metrics HTTP/1.1\r\nHost: a\r\n\r\n");
        QByteArray got;
        QTRY_VERIFY_WITH_TIMEOUT((got += client.readAll()).contains("luxpanel_meter_up"), 10000);
        QVERIFY2(got.startsWith("HTTP/1.1 200 OK\r\n"), got.constData());
        QVERIFY(endpoint.connectionCount() <= 16);
    }
    // Every slow client goes: dropped for a newcomer, or refused at its deadline, which the
    // bytes it kept sending did not put off.
    QTRY_VERIFY_WITH_TIMEOUT(
        std::all_of(slow.begin(), slow.end(),
                    [](const QTcpSocket& s) { return s.state() == QTcpSocket::UnconnectedState; }),
        30000);
    int timedOut = 0;
    for (QTcpSocket& s : slow) {
        const QByteArray got = s.readAll();
        QVERIFY2(got.isEmpty() || got.startsWith("HTTP/1.1 408 Request Timeout\r\n"),
                 got.constData());
        timedOut += !got.isEmpty();
    }
    QVERIFY(timedOut > 0);
    QCOMPARE(said.filter("more than 16 HTTP clients at once").size(), 1);
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
