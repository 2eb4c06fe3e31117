#include "cli/mqtt_bridge.h"

#include <mqtt/async_client.h>

namespace cli {

namespace {

const QByteArray kOnline = QByteArrayLiteral("online");
const QByteArray kOffline = QByteArrayLiteral("offline");

QString failureText(int rc, bool tls) {
    // The broker's answers to a connection (MQTT 3.1.1 CONNACK) first, the library's own after.
    switch (rc) {
    case 1:
        return QStringLiteral("the broker does not speak MQTT 3.1.1");
    case 2:
        return QStringLiteral("the broker refused the client id");
    case 3:
        return QStringLiteral("the broker is unavailable");
    case 4:
        return QStringLiteral("the broker refused the user name or password");
    case 5:
        return QStringLiteral("the broker does not authorise this user (see --mqtt-user and "
                              "LUXPANEL_MQTT_PASSWORD)");
    case MQTTASYNC_FAILURE:
        // The library says no more, for TLS or not; these are the usual reasons.
        return tls ? QStringLiteral("no TLS connection (is it running and reachable, and is its "
                                    "certificate signed by a CA of --mqtt-ca or the system's?)")
                   : QStringLiteral("no connection (is it running, and reachable from here?)");
    default:
        return QString::fromStdString(mqtt::exception::error_str(rc));
    }
}

} // namespace

// Called on the client library's threads: only queues the outcome to the bridge's thread.
class MqttBridge::Listener : public mqtt::iaction_listener {
public:
    explicit Listener(MqttBridge* bridge) : bridge_(bridge) {}
    void on_success(const mqtt::token&) override {
        QMetaObject::invokeMethod(
            bridge_, [b = bridge_] { b->onConnected(); }, Qt::QueuedConnection);
    }
    void on_failure(const mqtt::token& token) override {
        const QString why = failureText(token.get_return_code(), bridge_->settings_.tls);
        QMetaObject::invokeMethod(
            bridge_, [b = bridge_, why] { b->onConnectFailed(why); }, Qt::QueuedConnection);
    }

private:
    MqttBridge* bridge_;
};

MqttBridge::MqttBridge(MqttSettings settings, std::function<void(const QString&)> say,
                       QObject* parent)
    : QObject(parent), settings_(std::move(settings)), say_(std::move(say)),
      listener_(std::make_unique<Listener>(this)) {
    const QString host = settings_.broker.host.contains(u':') ? u'[' + settings_.broker.host + u']'
                                                              : settings_.broker.host;
    const QString uri =
        QStringLiteral("%1://%2:%3")
            .arg(settings_.tls ? QStringLiteral("ssl") : QStringLiteral("tcp"), host)
            .arg(settings_.broker.port);
    client_ =
        std::make_unique<mqtt::async_client>(uri.toStdString(), settings_.clientId.toStdString());
    client_->set_connection_lost_handler([this](const std::string& cause) {
        const QString why = QString::fromStdString(cause);
        QMetaObject::invokeMethod(
            this, [this, why] { onLost(why); }, Qt::QueuedConnection);
    });
    retry_.setSingleShot(true);
    connect(&retry_, &QTimer::timeout, this, &MqttBridge::connectNow);
}

MqttBridge::~MqttBridge() {
    retry_.stop();
    // No callback may reach this object once it goes: the client stops its threads first.
    client_.reset();
}

QString MqttBridge::brokerText() const {
    return QStringLiteral("%1:%2").arg(settings_.broker.host).arg(settings_.broker.port);
}

void MqttBridge::start() {
    connectNow();
}

void MqttBridge::connectNow() {
    mqtt::connect_options options;
    options.set_mqtt_version(MQTTVERSION_3_1_1);
    options.set_clean_session(true);
    options.set_keep_alive_interval(30);
    options.set_connect_timeout(10);
    options.set_automatic_reconnect(false); // ours, on the schedule serve promises
    options.set_will(mqtt::will_options(settings_.topics.availability.toStdString(),
                                        kOffline.constData(), size_t(kOffline.size()), 1, true));
    if (!settings_.user.isEmpty()) {
        options.set_user_name(settings_.user.toStdString());
        options.set_password(settings_.password.toStdString());
    }
    if (settings_.tls) {
        mqtt::ssl_options ssl;
        ssl.set_enable_server_cert_auth(true);
        ssl.set_verify(true); // the broker's name must match its certificate
        if (!settings_.caFile.isEmpty())
            ssl.set_trust_store(settings_.caFile.toStdString());
        options.set_ssl(std::move(ssl));
    }
    try {
        client_->connect(options, nullptr, *listener_);
    } catch (const mqtt::exception& e) {
        onConnectFailed(QString::fromStdString(e.what()));
    }
}

void MqttBridge::onConnected() {
    connected_ = true;
    failures_ = 0;
    lastSaidDelay_ = -1;
    say_(QStringLiteral("connected to the MQTT broker at %1").arg(brokerText()));
    // A broker that restarted may have lost what was retained: everything again, every time.
    if (!settings_.discovery.isEmpty())
        publish(settings_.topics.discovery, settings_.discovery, 1, true);
    publish(settings_.topics.availability, meterUp_ ? kOnline : kOffline, 1, true);
    if (pendingState_) {
        publish(settings_.topics.state, *pendingState_, 0, false);
        pendingState_.reset();
    }
}

void MqttBridge::onConnectFailed(const QString& why) {
    tryAgainLater(
        QStringLiteral("could not connect to the MQTT broker at %1: %2").arg(brokerText(), why));
}

void MqttBridge::onLost(const QString& why) {
    connected_ = false;
    tryAgainLater(QStringLiteral("lost the MQTT broker at %1%2")
                      .arg(brokerText(), why.isEmpty() ? QString() : QStringLiteral(": ") + why));
}

void MqttBridge::tryAgainLater(const QString& what) {
    const int delay = reconnectDelaySeconds(++failures_);
    // A broker away for days would fill the journal: a line each time the delay grows.
    if (delay != lastSaidDelay_)
        say_(QStringLiteral("%1; trying again in %2 s%3")
                 .arg(what)
                 .arg(delay)
                 .arg(delay == kLongestReconnectDelay
                          ? QStringLiteral(" and every %1 s after").arg(delay)
                          : QString()));
    lastSaidDelay_ = delay;
    retry_.start(std::chrono::seconds(delay));
}

bool MqttBridge::publish(const QString& topic, const QByteArray& payload, int qos, bool retained) {
    try {
        client_->publish(topic.toStdString(), payload.constData(), size_t(payload.size()), qos,
                         retained);
        return true;
    } catch (const mqtt::exception&) {
        return false; // the connection is going; its loss is reported by the library
    }
}

void MqttBridge::setMeterUp(bool up) {
    meterUp_ = up;
    if (connected_)
        publish(settings_.topics.availability, up ? kOnline : kOffline, 1, true);
}

void MqttBridge::publishState(const QByteArray& json) {
    if (!connected_ || !publish(settings_.topics.state, json, 0, false))
        pendingState_ = json;
}

void MqttBridge::finish(std::chrono::milliseconds wait) {
    retry_.stop();
    if (!connected_)
        return;
    connected_ = false;
    publish(settings_.topics.availability, kOffline, 1, true);
    try {
        // Messages still in flight are delivered before the client says goodbye.
        client_->disconnect(int(wait.count()))->wait_for(wait + std::chrono::milliseconds(500));
    } catch (const mqtt::exception& e) {
        say_(QStringLiteral("the MQTT broker did not take the goodbye: %1")
                 .arg(QString::fromStdString(e.what())));
    }
}

} // namespace cli
