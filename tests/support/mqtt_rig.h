#pragma once

// A real MQTT broker (mosquitto) started on a free local port, and a subscriber to watch it,
// for the tests and benchmarks of serve. Nothing here leaves the machine.

#include <QByteArray>
#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <chrono>
#include <memory>
#include <mutex>
#include <optional>

namespace mqtt {
class async_client;
}

namespace rig {

// A free TCP port on 127.0.0.1 (free when asked; the caller takes it at once).
quint16 freeLocalPort();

class Broker {
public:
    // Where mosquitto is installed; empty when it is not.
    static QString program();

    // folder: for its configuration; extraConfig: more lines (listeners, passwords, TLS; without
    // an allow_anonymous line, anyone may connect). Its port is picked here, free at the time.
    explicit Broker(QString folder, QString extraConfig = QString());
    ~Broker();
    // Starts it on port(), again after a kill, and returns once it accepts connections, or with
    // the reason it did not.
    bool start(QString* why);
    // SIGKILL: no goodbye to any client.
    void kill();
    quint16 port() const { return port_; }

private:
    QString folder_;
    QString extraConfig_;
    quint16 port_ = 0;
    QProcess process_;
};

struct Message {
    QString topic;
    QByteArray payload;
    bool retained = false;
    std::chrono::steady_clock::time_point at; // when it arrived
};

// Subscribes to topics on a broker and keeps every message with the time it arrived. The
// library calls back on its own thread; messages() may be read from any thread.
class Subscriber {
public:
    Subscriber();
    ~Subscriber();
    // Connects and subscribes, waiting at most 10 s; false with the reason when it could not.
    bool start(quint16 port, const QStringList& topics, QString* why,
               const QString& user = QString(), const QString& password = QString());
    QList<Message> messages() const;
    // The last message on topic, if any.
    std::optional<Message> last(const QString& topic) const;
    QList<Message> on(const QString& topic) const;
    void clear();

private:
    std::unique_ptr<mqtt::async_client> client_;
    mutable std::mutex mutex_;
    QList<Message> messages_;
};

} // namespace rig
