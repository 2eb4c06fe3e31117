// serve's broker side in this process, against a real mosquitto started here: what it keeps
// while the broker is away, and how it signs in (user, password, TLS).
#include "cli/mqtt_bridge.h"
#include "mqtt_rig.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

cli::MqttSettings settings(const QString& host, quint16 port) {
    cli::MqttSettings s;
    s.broker = {host, port};
    s.clientId = QStringLiteral("luxpanel-test-bridge");
    s.topics = cli::topicsFor(QStringLiteral("t"), QStringLiteral("desk"));
    return s;
}

QList<QByteArray> payloads(const QList<rig::Message>& messages) {
    QList<QByteArray> p;
    for (const rig::Message& m : messages)
        p.append(m.payload);
    return p;
}

bool run(const QString& program, const QStringList& args, const QString& folder) {
    QProcess p;
    p.setWorkingDirectory(folder);
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    if (!p.waitForFinished(60000) || p.exitCode() != 0) {
        qWarning("%s failed: %s", qPrintable(program), p.readAll().constData());
        return false;
    }
    return true;
}

} // namespace

class TestMqttBridge : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void keepsOnlyTheLatestStateWhileAway();
    void signsIn_data();
    void signsIn();

private:
    QStringList said_;
};

void TestMqttBridge::init() {
    if (rig::Broker::program().isEmpty())
        QSKIP("mosquitto is not installed (Debian package mosquitto; scripts/deps installs it)");
    said_.clear();
}

void TestMqttBridge::keepsOnlyTheLatestStateWhileAway() {
    QTemporaryDir folder;
    rig::Broker broker(folder.path());
    cli::MqttBridge bridge(settings(QStringLiteral("127.0.0.1"), broker.port()),
                           [this](const QString& line) { said_ << line; });
    bridge.start();
    QTRY_VERIFY_WITH_TIMEOUT(!said_.filter("could not connect to the MQTT broker").isEmpty(),
                             20000);
    QVERIFY2(said_.front().endsWith("; trying again in 1 s"), qPrintable(said_.front()));
    bridge.publishState("1");
    bridge.publishState("2");
    bridge.setMeterUp(true);
    bridge.publishState("3");

    // Broker and subscriber are up before the bridge's next try: nothing it sends is missed.
    QString why;
    QVERIFY2(broker.start(&why), qPrintable(why));
    rig::Subscriber sub;
    QVERIFY2(sub.start(broker.port(), {"t/#"}, &why), qPrintable(why));
    QTRY_VERIFY_WITH_TIMEOUT(bridge.isConnected(), 60000);
    QTRY_VERIFY_WITH_TIMEOUT(!sub.on("t/state").isEmpty(), 15000);
    bridge.publishState("4");
    QTRY_COMPARE_WITH_TIMEOUT(payloads(sub.on("t/state")), (QList<QByteArray>{"3", "4"}), 15000);
    QCOMPARE(payloads(sub.on("t/availability")), QList<QByteArray>{"online"});

    bridge.setMeterUp(false);
    QTRY_COMPARE_WITH_TIMEOUT(payloads(sub.on("t/availability")),
                              (QList<QByteArray>{"online", "offline"}), 15000);
}

void TestMqttBridge::signsIn_data() {
    QTest::addColumn<QString>("ca");    // "ours", "other" (another CA's), or none: the system's
    QTest::addColumn<QString>("names"); // the names the broker's certificate is for
    QTest::addColumn<QString>("way");   // "tls", "tls to plain" (port), "plain to tls"
    QTest::addColumn<QByteArray>("password");
    QTest::addColumn<QString>("outcome"); // a line serve says
    const QString here = "DNS:localhost,IP:127.0.0.1";
    QTest::newRow("TLS and password") << "ours" << here << "tls" << QByteArray("s3cret")
                                      << "connected to the MQTT broker at 127.0.0.1:";
    QTest::newRow("wrong password") << "ours" << here << "tls" << QByteArray("guess")
                                    << "the broker does not authorise this user";
    // Each TLS fault in its own words, and the broker tried again all the same.
    QTest::newRow("the system's CAs know nothing of ours")
        << "" << here << "tls" << QByteArray("s3cret")
        << "its certificate is not signed by a CA this system trusts (give its CA with "
           "--mqtt-ca); trying again in 1 s";
    QTest::newRow("another CA") << "other" << here << "tls" << QByteArray("s3cret")
                                << "its certificate is not signed by a CA of --mqtt-ca ";
    QTest::newRow("another name") << "ours"
                                  << "DNS:broker.test"
                                  << "tls" << QByteArray("s3cret")
                                  << "its certificate is for broker.test, not for 127.0.0.1";
    QTest::newRow("TLS to the plain port")
        << "ours" << here << "tls to plain" << QByteArray("s3cret")
        << "it does not answer TLS on port ";
    QTest::newRow("plain to the TLS port") << "" << here << "plain to tls" << QByteArray("s3cret")
                                           << "it took the connection but not MQTT (is port ";
}

void TestMqttBridge::signsIn() {
    QFETCH(QString, ca);
    QFETCH(QString, names);
    QFETCH(QString, way);
    QFETCH(QByteArray, password);
    QFETCH(QString, outcome);
    const QString openssl = QStandardPaths::findExecutable(QStringLiteral("openssl"));
    const QString passwd =
        QStandardPaths::findExecutable(QStringLiteral("mosquitto_passwd"),
                                       {QStringLiteral("/usr/bin"), QStringLiteral("/usr/sbin")});
    if (openssl.isEmpty() || passwd.isEmpty())
        QSKIP("openssl or mosquitto_passwd is not installed (scripts/deps installs both)");

    // A CA of our own and a certificate it signs for the row's names; another CA beside it.
    QTemporaryDir folder;
    const QString d = folder.path();
    const QStringList ec{"-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes"};
    QFile ext(folder.filePath("ext"));
    QVERIFY(ext.open(QIODevice::WriteOnly));
    ext.write("subjectAltName=" + names.toLatin1() + '\n');
    ext.close();
    for (const QString name : {"ca", "other"})
        QVERIFY(run(openssl,
                    QStringList{"req", "-x509"} + ec +
                        QStringList{"-keyout", name + ".key", "-out", name + ".pem", "-days", "2",
                                    "-subj", "/CN=LuxPanel test CA " + name},
                    d));
    QVERIFY(run(
        openssl,
        QStringList{"req"} + ec +
            QStringList{"-keyout", "server.key", "-out", "server.csr", "-subj", "/CN=localhost"},
        d));
    QVERIFY(run(openssl,
                {"x509", "-req", "-in", "server.csr", "-CA", "ca.pem", "-CAkey", "ca.key",
                 "-CAcreateserial", "-out", "server.pem", "-days", "2", "-extfile", "ext"},
                d));
    QVERIFY(run(passwd, {"-c", "-b", "passwd", "luxpanel", "s3cret"}, d));

    const quint16 tlsPort = rig::freeLocalPort();
    rig::Broker broker(d, QStringLiteral("password_file %1/passwd\nallow_anonymous false\n"
                                         "listener %2 127.0.0.1\ncafile %1/ca.pem\n"
                                         "certfile %1/server.pem\nkeyfile %1/server.key\n")
                              .arg(d)
                              .arg(tlsPort));
    QString why;
    QVERIFY2(broker.start(&why), qPrintable(why));
    rig::Subscriber sub;
    QVERIFY2(sub.start(broker.port(), {"t/#"}, &why, "luxpanel", "s3cret"), qPrintable(why));

    cli::MqttSettings s =
        settings(QStringLiteral("127.0.0.1"), way == "tls to plain" ? broker.port() : tlsPort);
    s.tls = way != "plain to tls";
    s.caFile = ca.isEmpty() ? QString() : folder.filePath((ca == "ours" ? "ca" : ca) + ".pem");
    s.user = QStringLiteral("luxpanel");
    s.password = password;
    cli::MqttBridge bridge(s, [this](const QString& line) { said_ << line; });
    bridge.start();
    QTRY_VERIFY2_WITH_TIMEOUT(!said_.filter(outcome).isEmpty(), qPrintable(said_.join(u'\n')),
                              30000);
    if (bridge.isConnected()) {
        // Signed in: what it publishes reaches the broker's other users.
        QTRY_COMPARE_WITH_TIMEOUT(payloads(sub.on("t/availability")), QList<QByteArray>{"offline"},
                                  15000);
    } else {
        QVERIFY(sub.on("t/availability").isEmpty());
    }
    QCOMPARE(bridge.isConnected(), outcome.startsWith("connected"));
}

QTEST_GUILESS_MAIN(TestMqttBridge)
#include "test_mqtt_bridge.moc"
