#pragma once

#include "cli/cli_options.h"
#include "cli/serve_texts.h"

#include <QByteArray>
#include <QObject>
#include <QSslError>
#include <QSslSocket>
#include <QTimer>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

namespace mqtt {
class async_client;
}

namespace cli {

struct MqttSettings {
    NetAddress broker;
    bool tls = false;
    QString caFile; // empty: the system's CA certificates
    QString user;   // empty: none
    QByteArray password;
    QString clientId;
    Topics topics;
    QByteArray discovery; // the retained discovery config; empty: none
};

// The broker side of serve. Everything here runs on the Qt thread: the client library calls back
// on threads of its own, and those calls are queued here. Nothing waits for the network, except
// finish(), bounded, as serve ends: a broker that is away or slow never holds up the meter.
class MqttBridge : public QObject {
    Q_OBJECT
public:
    MqttBridge(MqttSettings settings, std::function<void(const QString&)> say,
               QObject* parent = nullptr);
    ~MqttBridge() override;

    // The first connection; a broker that is away is tried again, 1 s doubling to 30 s apart.
    void start();
    // "online" while the meter gives readings, "offline" otherwise.
    void setMeterUp(bool up);
    // Sent at once when connected; otherwise the latest is kept for the next connection.
    void publishState(const QByteArray& json);
    // Publishes "offline" and disconnects, waiting up to `wait` for the broker to take both.
    void finish(std::chrono::milliseconds wait);
    bool isConnected() const { return connected_; }

private:
    class Listener;
    void connectNow();
    void onConnected();
    void onConnectFailed(const QString& why);
    // The library says only that the connection failed: a connection of our own to the broker
    // finds out why (refused, TLS to a plain port, a certificate of another CA or name).
    void diagnose();
    QString tlsFailureText(const QList<QSslError>& errors) const;
    void onLost(const QString& why);
    void tryAgainLater(const QString& what);
    bool publish(const QString& topic, const QByteArray& payload, int qos, bool retained);
    QString brokerText() const;

    MqttSettings settings_;
    std::function<void(const QString&)> say_;
    std::unique_ptr<Listener> listener_;
    std::unique_ptr<mqtt::async_client> client_;
    QTimer retry_;
    std::unique_ptr<QSslSocket> probe_;
    QTimer probeTimer_;
    int failures_ = 0;
    int lastSaidDelay_ = -1;
    bool connected_ = false;
    bool meterUp_ = false;
    std::optional<QByteArray> pendingState_;
};

} // namespace cli
