#include "cli/mqtt_bridge.h"

#include <QSslConfiguration>
#include <QSslSocket>

#include <mqtt/async_client.h>

#include <memory>

namespace cli {

namespace {

const QByteArray kOnline = QByteArrayLiteral("online");
const QByteArray kOffline = QByteArrayLiteral("offline");

// The broker's answers to a connection (MQTT 3.1.1 CONNACK) first, the library's own after;
// none (empty) for its plain "failure", which a connection of our own looks into.
QString failureText(int rc) {
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
        return QString();
    default:
        return QString::fromStdString(mqtt::exception::error_str(rc));
    }
}

QString names(const QSslCertificate& c) {
    QStringList all = c.subjectAlternativeNames().values();
    if (all.isEmpty())
        all = c.subjectInfo(QSslCertificate::CommonName);
    return all.isEmpty() ? QStringLiteral("no name") : all.join(QStringLiteral(", "));
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
        const QString why = failureText(token.get_return_code());
        QMetaObject::invokeMethod(
            bridge_,
            [b = bridge_, why] { why.isEmpty() ? b->diagnose() : b->onConnectFailed(why); },
            Qt::QueuedConnection);
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
    probeTimer_.setSingleShot(true);
}

MqttBridge::~MqttBridge() {
    retry_.stop();
    probe_.reset();
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

void MqttBridge::diagnose() {
    probe_ = std::make_unique<QSslSocket>();
    QSslSocket* probe = probe_.get();
    probeTimer_.start(std::chrono::seconds(10));
    // The first verdict counts: after sslErrors, errorOccurred follows.
    const auto done = [this, probe](const QString& why) {
        probeTimer_.stop();
        probeTimer_.disconnect(probe);
        probe->disconnect();
        probe_.release()->deleteLater(); // from inside one of its own signals
        onConnectFailed(why);
    };
    const QString port = QString::number(settings_.broker.port);
    connect(&probeTimer_, &QTimer::timeout, probe, [done] {
        done(QStringLiteral("no connection (no answer in 10 s; is it reachable from here?)"));
    });
    connect(probe, &QSslSocket::sslErrors, probe,
            [this, done](const QList<QSslError>& errors) { done(tlsFailureText(errors)); });
    const auto reached = std::make_shared<bool>(false);
    connect(probe, &QSslSocket::errorOccurred, probe, [this, probe, done, port, reached] {
        if (settings_.tls && *reached)
            done(QStringLiteral("it does not answer TLS on port %1 (is that its plain MQTT port?)")
                     .arg(port));
        else
            done(QStringLiteral("no connection (%1; is it running, and reachable from here?)")
                     .arg(probe->errorString()));
    });
    // Up to here the broker may be fine: then it is MQTT, or TLS, that it wants otherwise.
    connect(probe, &QSslSocket::connected, probe, [this, done, port, reached] {
        *reached = true;
        if (!settings_.tls)
            done(QStringLiteral("it took the connection but not MQTT (is port %1 for TLS? then "
                                "--mqtt-tls)")
                     .arg(port));
    });
    connect(probe, &QSslSocket::encrypted, probe,
            [done] { done(QStringLiteral("it took the TLS connection but not MQTT")); });
    if (!settings_.tls) {
        probe->connectToHost(settings_.broker.host, settings_.broker.port);
        return;
    }
    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    if (!settings_.caFile.isEmpty())
        tls.setCaCertificates(QSslCertificate::fromPath(settings_.caFile, QSsl::Pem));
    tls.setPeerVerifyMode(QSslSocket::VerifyPeer);
    probe->setSslConfiguration(tls);
    probe->connectToHostEncrypted(settings_.broker.host, settings_.broker.port);
}

QString MqttBridge::tlsFailureText(const QList<QSslError>& errors) const {
    const auto has = [&errors](std::initializer_list<QSslError::SslError> kinds) {
        for (const QSslError& e : errors)
            if (std::find(kinds.begin(), kinds.end(), e.error()) != kinds.end())
                return std::optional<QSslError>(e);
        return std::optional<QSslError>();
    };
    using E = QSslError;
    if (const auto e = has({E::CertificateExpired}))
        return QStringLiteral("its certificate expired on %1")
            .arg(e->certificate().expiryDate().toString(Qt::ISODate));
    if (const auto e = has({E::CertificateNotYetValid}))
        return QStringLiteral("its certificate is valid only from %1 (is the clock here right?)")
            .arg(e->certificate().effectiveDate().toString(Qt::ISODate));
    if (has({E::UnableToGetLocalIssuerCertificate, E::UnableToGetIssuerCertificate,
             E::UnableToVerifyFirstCertificate, E::SelfSignedCertificate,
             E::SelfSignedCertificateInChain, E::CertificateUntrusted, E::CertificateRejected}))
        return settings_.caFile.isEmpty()
                   ? QStringLiteral("its certificate is not signed by a CA this system trusts "
                                    "(give its CA with --mqtt-ca)")
                   : QStringLiteral("its certificate is not signed by a CA of --mqtt-ca %1")
                         .arg(settings_.caFile);
    if (const auto e = has({E::HostNameMismatch}))
        return QStringLiteral("its certificate is for %1, not for %2")
            .arg(names(e->certificate()), settings_.broker.host);
    return errors.isEmpty()
               ? QStringLiteral("no TLS connection")
               : QStringLiteral("no TLS connection (%1)").arg(errors.front().errorString());
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
    probeTimer_.stop();
    probe_.reset();
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
