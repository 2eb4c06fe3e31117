#include "mqtt_rig.h"

#include <mqtt/async_client.h>

#include <QDeadlineTimer>
#include <QFile>
#include <QStandardPaths>
#include <QTcpServer>
#include <QUuid>

#include <csignal>
#include <sys/prctl.h>
#include <unistd.h>

namespace rig {

quint16 freeLocalPort() {
    QTcpServer s;
    return s.listen(QHostAddress::LocalHost, 0) ? s.serverPort() : 0;
}

QString Broker::program() {
    return QStandardPaths::findExecutable(QStringLiteral("mosquitto"),
                                          {QStringLiteral("/usr/sbin"), QStringLiteral("/usr/bin"),
                                           QStringLiteral("/usr/local/sbin")});
}

Broker::Broker(QString folder, QString extraConfig)
    : folder_(std::move(folder)), extraConfig_(std::move(extraConfig)), port_(freeLocalPort()) {
    process_.setProcessChannelMode(QProcess::MergedChannels);
    // A test that dies leaves no broker behind.
    process_.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
}

Broker::~Broker() {
    kill();
}

bool Broker::start(QString* why) {
    // Run as root, mosquitto would switch to its own user and lose sight of the test's files.
    QFile config(folder_ + QStringLiteral("/mosquitto.conf"));
    if (!config.open(QIODevice::WriteOnly) ||
        config.write(QStringLiteral("listener %1 127.0.0.1\npersistence false\nlog_dest stderr\n"
                                    "%2%3%4\n")
                         .arg(port_)
                         .arg(::getuid() == 0 ? QStringLiteral("user root\n") : QString(),
                              extraConfig_.contains(QLatin1String("allow_anonymous"))
                                  ? QString()
                                  : QStringLiteral("allow_anonymous true\n"),
                              extraConfig_)
                         .toUtf8()) < 0) {
        *why = QStringLiteral("cannot write %1").arg(config.fileName());
        return false;
    }
    config.close();
    process_.start(program(), {QStringLiteral("-c"), config.fileName()});
    if (!process_.waitForStarted(10000)) {
        *why = QStringLiteral("mosquitto did not start: ") + process_.errorString();
        return false;
    }
    // It says it is running once its listeners are open.
    const QDeadlineTimer deadline(20000);
    QByteArray said;
    while (!said.contains(" running") && !deadline.hasExpired() &&
           process_.state() == QProcess::Running) {
        process_.waitForReadyRead(int(std::max<qint64>(1, deadline.remainingTime())));
        said += process_.readAll();
    }
    if (said.contains(" running"))
        return true;
    *why = QStringLiteral("mosquitto did not start on port %1: ").arg(port_) +
           QString::fromLocal8Bit(said + process_.readAll());
    return false;
}

void Broker::kill() {
    if (process_.state() == QProcess::NotRunning)
        return;
    process_.kill();
    process_.waitForFinished(10000);
}

Subscriber::Subscriber() = default;

Subscriber::~Subscriber() {
    if (client_ && client_->is_connected()) {
        try {
            client_->disconnect()->wait_for(std::chrono::seconds(2));
        } catch (const mqtt::exception&) {
        }
    }
}

bool Subscriber::start(quint16 port, const QStringList& topics, QString* why, const QString& user,
                       const QString& password) {
    client_ = std::make_unique<mqtt::async_client>(
        QStringLiteral("tcp://127.0.0.1:%1").arg(port).toStdString(),
        QUuid::createUuid().toString(QUuid::Id128).left(20).toStdString());
    client_->set_message_callback([this](mqtt::const_message_ptr m) {
        const auto at = std::chrono::steady_clock::now();
        const std::string& p = m->get_payload();
        std::lock_guard lock(mutex_);
        messages_.append({QString::fromStdString(m->get_topic()),
                          QByteArray(p.data(), qsizetype(p.size())), m->is_retained(), at});
    });
    try {
        mqtt::connect_options options;
        options.set_clean_session(true);
        if (!user.isEmpty()) {
            options.set_user_name(user.toStdString());
            options.set_password(password.toStdString());
        }
        if (!client_->connect(options)->wait_for(std::chrono::seconds(10))) {
            *why = QStringLiteral("the subscriber did not connect");
            return false;
        }
        for (const QString& topic : topics)
            if (!client_->subscribe(topic.toStdString(), 1)->wait_for(std::chrono::seconds(10))) {
                *why = QStringLiteral("the subscriber could not subscribe to ") + topic;
                return false;
            }
    } catch (const mqtt::exception& e) {
        *why = QString::fromStdString(e.what());
        return false;
    }
    return true;
}

QList<Message> Subscriber::messages() const {
    std::lock_guard lock(mutex_);
    return messages_;
}

QList<Message> Subscriber::on(const QString& topic) const {
    QList<Message> found;
    for (const Message& m : messages())
        if (m.topic == topic)
            found.append(m);
    return found;
}

std::optional<Message> Subscriber::last(const QString& topic) const {
    const QList<Message> found = on(topic);
    return found.isEmpty() ? std::nullopt : std::optional<Message>(found.back());
}

void Subscriber::clear() {
    std::lock_guard lock(mutex_);
    messages_.clear();
}

} // namespace rig
