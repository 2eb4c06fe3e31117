#pragma once

#include "cli/cli_options.h"
#include "cli/serve_texts.h"

#include <QHttpServer>
#include <QTcpServer>

#include <chrono>
#include <functional>

namespace cli {

// Qt's HTTP server (6.4) has no bound on a request's head and keeps a silent connection open for
// good; these two guards are ours, at the connection, in front of it.
inline constexpr std::chrono::seconds kSilentClientDrop{10};

// Hands each connection to the HTTP server with a guard that watches it first: a request line or
// head over 8 KiB is answered 414 or 431 and the connection closed, and a connection that has
// sent nothing for 10 s is dropped.
class GuardedTcpServer : public QTcpServer {
    Q_OBJECT
public:
    using QTcpServer::QTcpServer;

protected:
    void incomingConnection(qintptr descriptor) override;
};

// /metrics (Prometheus text) and /reading (the last reading as "read --json" prints it).
class HttpEndpoint : public QObject {
    Q_OBJECT
public:
    // figures: what the pages show, asked at each request.
    explicit HttpEndpoint(std::function<const MeterFigures&()> figures, QObject* parent = nullptr);
    // "localhost" or an IP address; false with the reason when it cannot be had.
    bool listen(const NetAddress& at, QString* why);
    quint16 port() const { return tcp_->serverPort(); }

private:
    std::function<const MeterFigures&()> figures_;
    QHttpServer server_;
    GuardedTcpServer* tcp_;
};

} // namespace cli
