#pragma once

#include "cli/cli_options.h"
#include "cli/http_request.h"
#include "cli/serve_texts.h"

#include <QElapsedTimer>
#include <QTcpServer>

#include <chrono>
#include <functional>
#include <vector>

namespace cli {

// How long a client may take over a request head, and how many may be connected at once.
struct HttpLimits {
    // From the connection (or the previous answer) to the blank line that ends the head; no
    // byte that comes puts it off, so a client that trickles bytes is dropped all the same.
    std::chrono::milliseconds headDeadline{10000};
    // 0: as many as the limit on open files leaves room for, and 512 at most.
    int connections = 0;
};

// /metrics (Prometheus text) and /reading (the last reading as "read --json" prints it), over
// HTTP/1.1 and 1.0, with GET and HEAD. Its own small server on a TCP socket: every byte a client
// sends goes through one reader of request heads, which bounds them, and the connection's end
// (keep-alive, Connection: close, a body left unread, a half-closed client) is decided here.
// At the connection limit a new client is taken and the one that has waited longest for its
// request is dropped: a scraper that asks at once is served whatever slow clients hold.
class HttpEndpoint : public QObject {
    Q_OBJECT
public:
    // figures: what the pages show, asked at each request; say: a line for the operator.
    HttpEndpoint(std::function<const MeterFigures&()> figures,
                 std::function<void(const QString&)> say, HttpLimits limits = {},
                 QObject* parent = nullptr);
    ~HttpEndpoint() override;
    // "localhost" or an IP address; false with the reason when it cannot be had.
    bool listen(const NetAddress& at, QString* why);
    quint16 port() const { return server_.serverPort(); }
    qsizetype connectionCount() const { return qsizetype(connections_.size()); }

private:
    class Connection;
    void takeConnections();
    void dropped(Connection* c);
    // Rare lines, at most one every ten minutes: a crowd of clients would fill the journal.
    void warn(const QString& line);
    QByteArray answerTo(const HttpRequest& request) const;

    std::function<const MeterFigures&()> figures_;
    std::function<void(const QString&)> say_;
    HttpLimits limits_;
    QTcpServer server_;
    std::vector<Connection*> connections_;
    QElapsedTimer clock_; // when each connection began to wait
    QElapsedTimer lastWarning_;
    bool takeLater_ = false;
};

} // namespace cli
