// serve as a broker's subscribers see it: a real mosquitto started here on a free local port, the
// simulated meter behind a real pseudo-terminal, and luxpanel-cli serve run as a user runs it.
#include "mqtt_rig.h"
#include "serve_process.h"
#include "sim/simulated_meter.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSysInfo>
#include <QTemporaryDir>

using namespace std::chrono_literals;

namespace {

const QString kState = QStringLiteral("luxpanel/desk/state");
const QString kAvailability = QStringLiteral("luxpanel/desk/availability");
const QString kDiscovery = QStringLiteral("homeassistant/sensor/luxpanel_desk/illuminance/config");

// The state messages received so far that carry this value.
QList<QJsonObject> statesOf(const rig::Subscriber& s, double value, const QString& topic = kState) {
    QList<QJsonObject> found;
    for (const rig::Message& m : s.on(topic)) {
        const QJsonObject o = QJsonDocument::fromJson(m.payload).object();
        if (o.value("value").toDouble() == value)
            found.append(o);
    }
    return found;
}

QByteArray lastPayload(const rig::Subscriber& s, const QString& topic) {
    const auto m = s.last(topic);
    return m ? m->payload : QByteArray();
}

} // namespace

class TestServeMqtt : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void discoveryOnlineAndStates();
    void meterUnpluggedGoesOfflineAndBack();
    void brokerAwayAtStartThenRestarted();
    void goesOfflineWhenItEnds_data();
    void goesOfflineWhenItEnds();
    void everyTopicAndNoDiscovery();
    void defaultNamesKeepMetersApart();

private:
    void startServe(const QStringList& more = {});
    std::unique_ptr<rig::Subscriber> subscribe(const QStringList& topics = {"luxpanel/desk/#",
                                                                            "homeassistant/#"});
    std::unique_ptr<QTemporaryDir> folder_;
    std::unique_ptr<sim::SimulatedMeter> meter_;
    std::unique_ptr<rig::Broker> broker_;
    std::unique_ptr<ServeProcess> serve_;
};

void TestServeMqtt::init() {
    if (rig::Broker::program().isEmpty())
        QSKIP("mosquitto is not installed (Debian package mosquitto; scripts/deps installs it)");
    folder_ = std::make_unique<QTemporaryDir>();
    meter_ = std::make_unique<sim::SimulatedMeter>(folder_->filePath(QStringLiteral("ttySIM")));
    QString why;
    QVERIFY2(meter_->start(&why), qPrintable(why));
    broker_ = std::make_unique<rig::Broker>(folder_->path());
}

void TestServeMqtt::cleanup() {
    serve_.reset();
    broker_.reset();
    meter_.reset();
    folder_.reset();
}

void TestServeMqtt::startServe(const QStringList& more) {
    serve_ = std::make_unique<ServeProcess>();
    serve_->start(QStringList{"--port", meter_->linkPath(), "--mqtt",
                              QStringLiteral("127.0.0.1:%1").arg(broker_->port()), "--name", "desk",
                              "--http", "0"} +
                  more);
}

std::unique_ptr<rig::Subscriber> TestServeMqtt::subscribe(const QStringList& topics) {
    auto s = std::make_unique<rig::Subscriber>();
    QString why;
    if (!s->start(broker_->port(), topics, &why))
        qWarning("%s", qPrintable(why));
    return s;
}

void TestServeMqtt::discoveryOnlineAndStates() {
    QString why;
    QVERIFY2(broker_->start(&why), qPrintable(why));
    meter_->setFixedReading(400.0);
    startServe();
    QVERIFY2(serve_->waitToSay("connected to the MQTT broker", 30000), serve_->said().constData());
    QVERIFY2(serve_->waitToSay("the meter gives readings", 30000), serve_->said().constData());

    // A subscriber that comes later finds the config and "online" kept for it.
    auto sub = subscribe();
    QTRY_VERIFY_WITH_TIMEOUT(sub->last(kAvailability) && sub->last(kDiscovery), 15000);
    QCOMPARE(sub->last(kAvailability)->payload, QByteArray("online"));
    QVERIFY(sub->last(kAvailability)->retained);
    QVERIFY(sub->last(kDiscovery)->retained);
    const QJsonObject config = QJsonDocument::fromJson(sub->last(kDiscovery)->payload).object();
    QCOMPARE(config.value("device_class").toString(), QStringLiteral("illuminance"));
    QCOMPARE(config.value("unit_of_measurement").toString(), QStringLiteral("lx"));
    QCOMPARE(config.value("state_class").toString(), QStringLiteral("measurement"));
    QCOMPARE(config.value("state_topic").toString(), kState);
    QCOMPARE(config.value("availability_topic").toString(), kAvailability);
    QCOMPARE(config.value("value_template").toString(), QStringLiteral("{{ value_json.lux }}"));
    QCOMPARE(config.value("unique_id").toString(), QStringLiteral("luxpanel_desk_illuminance"));
    QCOMPARE(config.value("default_entity_id").toString(), "sensor.luxpanel_desk_illuminance");
    // Steady light is sent again once a minute: unavailable after three minutes without.
    QVERIFY(!config.contains("object_id") && config.value("expire_after").toInt() == 180 &&
            !config.value("json_attributes_template").toString().contains("iso_time"));
    QCOMPARE(config.value("origin").toObject(),
             (QJsonObject{{"name", "LuxPanel"}, {"sw_version", "10.04"}}));
    const QJsonObject device = config.value("device").toObject();
    QCOMPARE(device.value("identifiers").toArray(), QJsonArray{"luxpanel_desk"});
    QCOMPARE(device.value("model").toString(), QStringLiteral("light meter"));

    // The states follow the meter (a steady reading goes again only after a minute: a new one).
    meter_->setFixedReading(432.1);
    QTRY_VERIFY_WITH_TIMEOUT(!statesOf(*sub, 432.1).isEmpty(), 15000);
    const QJsonObject state = statesOf(*sub, 432.1).front();
    QCOMPARE(state.value("reading").toString(), QStringLiteral("432.10"));
    QCOMPARE(state.value("lux").toDouble(), 432.1);
    QCOMPARE(state.value("unit").toString(), QStringLiteral("Lx"));
    QVERIFY(state.value("annunciators").toArray().contains(QStringLiteral("LxOn")));
    QVERIFY(QDateTime::fromString(state.value("iso_time").toString(), Qt::ISODate).isValid());
    QVERIFY(!sub->last(kState)->retained);
    meter_->setFixedReading(87.5);
    QTRY_VERIFY_WITH_TIMEOUT(!statesOf(*sub, 87.5).isEmpty(), 15000);
    // And /reading says the same.
    const QJsonObject reading =
        QJsonDocument::fromJson(httpGet(serve_->httpPort(), "/reading").body).object();
    QCOMPARE(reading.value("value").toDouble(), 87.5);
}

void TestServeMqtt::meterUnpluggedGoesOfflineAndBack() {
    QString why;
    QVERIFY2(broker_->start(&why), qPrintable(why));
    startServe();
    auto sub = subscribe();
    QTRY_VERIFY_WITH_TIMEOUT(lastPayload(*sub, kAvailability) == "online", 30000);
    sub->clear();
    meter_->unplug(5s);
    QTRY_VERIFY_WITH_TIMEOUT(lastPayload(*sub, kAvailability) == "offline", 3000);
    const QByteArray metrics = httpGet(serve_->httpPort(), "/metrics").body;
    QVERIFY2(metrics.contains("luxpanel_meter_up{meter=\"desk\"} 0\n"), metrics.constData());
    QVERIFY(metrics.contains("luxpanel_link_lost_total{meter=\"desk\"} 1\n"));
    QCOMPARE(httpGet(serve_->httpPort(), "/reading").status, 503);
    // Back at the same path: serve finds it again by itself.
    meter_->setFixedReading(640.0);
    QTRY_VERIFY_WITH_TIMEOUT(lastPayload(*sub, kAvailability) == "online", 60000);
    QTRY_VERIFY_WITH_TIMEOUT(!statesOf(*sub, 640.0).isEmpty(), 15000);
}

void TestServeMqtt::brokerAwayAtStartThenRestarted() {
    startServe();
    QVERIFY2(serve_->waitToSay("could not connect to the MQTT broker", 30000),
             serve_->said().constData());
    QVERIFY2(serve_->waitToSay("the meter gives readings", 30000), serve_->said().constData());
    QCOMPARE(httpGet(serve_->httpPort(), "/reading").status, 200);

    QString why;
    QVERIFY2(broker_->start(&why), qPrintable(why));
    QVERIFY2(serve_->waitToSay("connected to the MQTT broker at", 60000),
             serve_->said().constData());
    auto sub = subscribe();
    QTRY_VERIFY_WITH_TIMEOUT(lastPayload(*sub, kAvailability) == "online", 15000);

    // Broker gone: the meter is still read and the scrapes answered.
    const qsizetype before = serve_->said().size();
    broker_->kill();
    QVERIFY2(serve_->waitToSay("lost the MQTT broker", 30000, before), serve_->said().constData());
    meter_->setFixedReading(77.7);
    QTRY_VERIFY_WITH_TIMEOUT(httpGet(serve_->httpPort(), "/metrics")
                                 .body.contains("luxpanel_illuminance_lux{meter=\"desk\"} 77.7\n"),
                             15000);

    // Back: everything retained is published again to a broker that kept nothing.
    QVERIFY2(broker_->start(&why), qPrintable(why));
    auto after = subscribe();
    QVERIFY2(serve_->waitToSay("connected to the MQTT broker at", 60000,
                               serve_->said().indexOf("lost the MQTT broker", before)),
             serve_->said().constData());
    QTRY_VERIFY_WITH_TIMEOUT(lastPayload(*after, kAvailability) == "online" &&
                                 after->last(kDiscovery) && !statesOf(*after, 77.7).isEmpty(),
                             15000);
}

void TestServeMqtt::goesOfflineWhenItEnds_data() {
    QTest::addColumn<int>("signal");
    QTest::newRow("SIGTERM") << int(SIGTERM);
    QTest::newRow("SIGINT") << int(SIGINT);
    QTest::newRow("SIGKILL: the broker's last will") << int(SIGKILL);
}

void TestServeMqtt::goesOfflineWhenItEnds() {
    QFETCH(int, signal);
    QString why;
    QVERIFY2(broker_->start(&why), qPrintable(why));
    startServe();
    auto sub = subscribe();
    QTRY_VERIFY_WITH_TIMEOUT(lastPayload(*sub, kAvailability) == "online", 30000);
    serve_->stop(signal);
    QCOMPARE(serve_->process().state(), QProcess::NotRunning);
    if (signal != SIGKILL) {
        QCOMPARE(serve_->process().exitStatus(), QProcess::NormalExit);
        QCOMPARE(serve_->process().exitCode(), 0);
        QVERIFY(serve_->said().endsWith("luxpanel-cli serve: stopped\n"));
    }
    QTRY_VERIFY_WITH_TIMEOUT(lastPayload(*sub, kAvailability) == "offline", 15000);
    // Kept for whoever looks later.
    auto later = subscribe();
    QTRY_VERIFY_WITH_TIMEOUT(later->last(kAvailability), 15000);
    QCOMPARE(later->last(kAvailability)->payload, QByteArray("offline"));
    QVERIFY(later->last(kAvailability)->retained);
}

void TestServeMqtt::everyTopicAndNoDiscovery() {
    QString why;
    QVERIFY2(broker_->start(&why), qPrintable(why));
    startServe({"--every", "2", "--topic", "house/hall/lux", "--no-discovery"});
    auto sub = subscribe({"#"});
    const QString state = QStringLiteral("house/hall/lux/state");
    QTRY_VERIFY_WITH_TIMEOUT(sub->on(state).size() >= 4, 60000);
    const QList<rig::Message> states = sub->on(state);
    for (qsizetype i = 1; i < states.size(); ++i)
        QVERIFY2(states[i].at - states[i - 1].at >= 1500ms,
                 qPrintable(QString::number((states[i].at - states[i - 1].at) / 1ms)));
    QCOMPARE(lastPayload(*sub, QStringLiteral("house/hall/lux/availability")),
             QByteArray("online"));
    for (const rig::Message& m : sub->messages())
        QVERIFY2(m.topic.startsWith(QLatin1String("house/hall/lux/")), qPrintable(m.topic));
}

// Two machines with a meter on a port of the same name sharing a broker, with the names serve
// gives them: the second is this one under another host name, in namespaces of its own.
void TestServeMqtt::defaultNamesKeepMetersApart() {
    const QStringList elsewhere{
        "unshare", "--map-root-user", "--uts", "sh", "-c", "hostname lab-b && exec \"$@\"", "sh"};
    if (QProcess::execute(elsewhere.front(), elsewhere.mid(1) + QStringList{"true"}) != 0)
        QSKIP("no user and host name namespaces here (unshare from util-linux)");
    QString why;
    QVERIFY2(broker_->start(&why), qPrintable(why));
    QTemporaryDir folder;
    sim::SimulatedMeter other(folder.filePath(QStringLiteral("ttySIM")));
    QVERIFY2(other.start(&why), qPrintable(why));
    auto sub = subscribe({"luxpanel/#"});
    const QStringList broker{"--mqtt", QStringLiteral("127.0.0.1:%1").arg(broker_->port())};
    ServeProcess here, there;
    here.start(QStringList{"--port", meter_->linkPath()} + broker);
    there.start(QStringList{"--port", other.linkPath()} + broker,
                QProcessEnvironment::systemEnvironment(), elsewhere);
    const QString mine =
        "luxpanel/" +
        QSysInfo::machineHostName().replace(QRegularExpression("[^A-Za-z0-9_-]"), "_") +
        "_ttySIM/availability";
    const QString theirs = "luxpanel/lab-b_ttySIM/availability";
    QTRY_VERIFY2_WITH_TIMEOUT(lastPayload(*sub, mine) == "online" &&
                                  lastPayload(*sub, theirs) == "online",
                              qPrintable(here.said() + there.said()), 30000);
    // One's last will leaves the other online; nor did they push each other off the broker.
    const qsizetype said = sub->on(mine).size();
    there.stop(SIGKILL);
    QTRY_VERIFY_WITH_TIMEOUT(lastPayload(*sub, theirs) == "offline", 30000);
    QCOMPARE(sub->on(mine).size(), said);
    QVERIFY(!here.said().contains("lost the MQTT broker"));
}

QTEST_GUILESS_MAIN(TestServeMqtt)
#include "test_serve_mqtt.moc"
