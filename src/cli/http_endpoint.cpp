#include "cli/http_endpoint.h"

#include <QDateTime>
#include <QJsonObject>
#include <QLocale>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>

#include <sys/resource.h>
#include <sys/socket.h>

namespace cli {

namespace {

using namespace std::chrono_literals;

// A client that reads no answers is not read either, past this much waiting to go out.
constexpr qint64 kWriteBacklog = 64 * 1024;
// After the last answer of a connection, how long its client may take to read it and close.
constexpr auto kLinger = 2s;
constexpr int kMostConnections = 512;
constexpr int kTakenAtOnce = 16;
// Files serve keeps open besides its clients: the port, the broker, the server, Qt's own.
constexpr qint64 kOtherFiles = 64;

QByteArray reasonPhrase(int status) {
    switch (status) {
    case 200:
        return "OK";
    case 400:
        return "Bad Request";
    case 404:
        return "Not Found";
    case 405:
        return "Method Not Allowed";
    case 408:
        return "Request Timeout";
    case 414:
        return "URI Too Long";
    case 431:
        return "Request Header Fields Too Large";
    case 503:
        return "Service Unavailable";
    default:
        return "HTTP Version Not Supported";
    }
}

QByteArray response(int status, const QByteArray& type, const QByteArray& body, bool headOnly,
                    bool close, const QByteArray& extraHeaders = QByteArray()) {
    QByteArray out = "HTTP/1.1 " + QByteArray::number(status) + ' ' + reasonPhrase(status) +
                     "\r\nContent-Type: " + type +
                     "\r\nContent-Length: " + QByteArray::number(body.size()) +
                     "\r\nCache-Control: no-store\r\n" + extraHeaders;
    if (close)
        out += "Connection: close\r\n";
    out += "Date: " +
           QLocale::c()
               .toString(QDateTime::currentDateTimeUtc(), u"ddd, dd MMM yyyy hh:mm:ss 'GMT'")
               .toLatin1() +
           "\r\n\r\n";
    if (!headOnly)
        out += body;
    return out;
}

QByteArray jsonResponse(int status, const QJsonObject& o, bool headOnly, bool close,
                        const QByteArray& extraHeaders = QByteArray()) {
    return response(status, "application/json", jsonText(o).toUtf8() + '\n', headOnly, close,
                    extraHeaders);
}

QJsonObject error(const char* text) {
    return {{QStringLiteral("error"), QLatin1String(text)}};
}

// The answer to a head that is not a request, or not in time; the connection ends with it.
QByteArray refusal(int status) {
    const char* why = status == 408   ? "the request head did not come in time"
                      : status == 414 ? "request line over 8 KiB"
                      : status == 431 ? "request head over 8 KiB"
                      : status == 505 ? "only HTTP/1.1 and HTTP/1.0 are served here"
                                      : "a malformed request";
    return jsonResponse(status, error(why), false, true);
}

int connectionLimitHere() {
    rlimit files{};
    if (::getrlimit(RLIMIT_NOFILE, &files) != 0 || files.rlim_cur == RLIM_INFINITY)
        return kMostConnections;
    return int(std::clamp<qint64>(qint64(files.rlim_cur) - kOtherFiles, 1, kMostConnections));
}

} // namespace

// One client: its request heads are read as they come, answered in order, and the connection
// ends as HTTP says. It reads no further while its answers pile up unread.
class HttpEndpoint::Connection : public QObject {
public:
    Connection(HttpEndpoint* endpoint, QTcpSocket* socket)
        : QObject(endpoint), endpoint_(endpoint), socket_(socket) {
        socket_->setParent(this);
        // What waits here unread stays small; the system holds the rest back from the client.
        socket_->setReadBufferSize(2 * kRequestHeadLimit);
        connect(socket_, &QTcpSocket::readyRead, this, &Connection::onReadyRead);
        connect(socket_, &QTcpSocket::bytesWritten, this, &Connection::onBytesWritten);
        connect(socket_, &QTcpSocket::disconnected, this, [this] { endpoint_->dropped(this); });
        timer_.setSingleShot(true);
        connect(&timer_, &QTimer::timeout, this, &Connection::onTimer);
        waitForRequest();
    }

    // A request that came with the connection is answered now, before more connections are
    // taken: a crowd of them could drop this one first.
    void readWhatCame() { socket_->waitForReadyRead(0); }

    // Whether to drop it for a newcomer before the others, and the longest waiting first: one
    // that is still to send its request, rather than one whose answer is going out.
    std::pair<bool, qint64> dropOrder() const { return {state_ != State::Reading, since_}; }

    // Between requests it ends cleanly; halfway through one, at once.
    void drop() {
        if (idle())
            socket_->disconnectFromHost();
        else
            socket_->abort();
        endpoint_->dropped(this);
    }

private:
    enum class State { Reading, Closing, Lingering };

    void waitForRequest() {
        since_ = endpoint_->clock_.elapsed();
        timer_.start(endpoint_->limits_.headDeadline);
    }

    void onReadyRead() {
        if (state_ != State::Reading) {
            socket_->readAll(); // the connection is ending: nothing more is a request
            return;
        }
        while (state_ == State::Reading) {
            if (socket_->bytesToWrite() > kWriteBacklog) {
                paused_ = true;
                return;
            }
            in_ += socket_->read(kRequestHeadLimit + 1 - in_.size());
            const auto head = parseRequestHead(in_);
            if (std::holds_alternative<IncompleteHead>(head))
                return;
            if (const auto* refused = std::get_if<RefusedHead>(&head)) {
                send(refusal(refused->status), true);
                return;
            }
            const auto& request = std::get<HttpRequest>(head);
            in_.remove(0, request.headLength);
            send(endpoint_->answerTo(request), request.closes);
        }
    }

    void send(const QByteArray& answer, bool close) {
        socket_->write(answer);
        // Into the system at once: a client that half-closed its side is answered before its
        // end is read, which closes the socket.
        socket_->flush();
        if (!close) {
            waitForRequest();
            return;
        }
        state_ = State::Closing;
        in_.clear();
        timer_.start(kLinger);
        onBytesWritten();
    }

    void onBytesWritten() {
        if (state_ == State::Closing && socket_->bytesToWrite() == 0) {
            // Our side ends once the answer is out; the client's unread bytes are taken and
            // dropped until it closes, so that they do not reset the connection under the
            // answer.
            ::shutdown(int(socket_->socketDescriptor()), SHUT_WR);
            state_ = State::Lingering;
            socket_->readAll();
        } else if (state_ == State::Reading && paused_ &&
                   socket_->bytesToWrite() <= kWriteBacklog) {
            paused_ = false;
            onReadyRead();
        }
    }

    bool idle() const {
        return state_ == State::Reading && in_.isEmpty() && socket_->bytesAvailable() == 0 &&
               socket_->bytesToWrite() == 0;
    }

    // Idle between requests, the connection ends without a word.
    void onTimer() {
        if (state_ == State::Reading && !idle())
            send(refusal(408), true);
        else
            drop();
    }

    HttpEndpoint* endpoint_;
    QTcpSocket* socket_;
    QByteArray in_; // the start of a request head
    QTimer timer_;  // the head's deadline; once the connection ends, the time it has left
    State state_ = State::Reading;
    bool paused_ = false;
    qint64 since_ = 0;
};

HttpEndpoint::HttpEndpoint(std::function<const MeterFigures&()> figures,
                           std::function<void(const QString&)> say, HttpLimits limits,
                           QObject* parent)
    : QObject(parent), figures_(std::move(figures)), say_(std::move(say)), limits_(limits) {
    if (limits_.connections <= 0)
        limits_.connections = connectionLimitHere();
    clock_.start();
    // A crowd connecting at once waits in the system's queue rather than being turned away.
    server_.setListenBacklogSize(1024);
    connect(&server_, &QTcpServer::newConnection, this, &HttpEndpoint::takeConnections);
    connect(&server_, &QTcpServer::acceptError, this, [this] {
        warn(QStringLiteral("cannot take an HTTP connection: %1").arg(server_.errorString()));
        // The server stops taking connections after such an error; it resumes shortly.
        QTimer::singleShot(100ms, &server_, [this] { server_.resumeAccepting(); });
    });
}

HttpEndpoint::~HttpEndpoint() {
    for (Connection* c : std::exchange(connections_, {}))
        delete c;
}

bool HttpEndpoint::listen(const NetAddress& at, QString* why) {
    const QHostAddress address = at.host == QLatin1String("localhost")
                                     ? QHostAddress(QHostAddress::LocalHost)
                                     : QHostAddress(at.host);
    if (address.isNull()) {
        *why = QStringLiteral("%1 is not an IP address").arg(at.host);
        return false;
    }
    if (!server_.listen(address, at.port)) {
        *why = server_.errorString();
        return false;
    }
    return true;
}

void HttpEndpoint::takeConnections() {
    // A handful at a time, the requests of those taken read in between: a crowd connecting at
    // once would otherwise drop them all before one could be answered.
    for (int taken = 0; taken < kTakenAtOnce; ++taken) {
        QTcpSocket* socket = server_.nextPendingConnection();
        if (!socket)
            return;
        if (qsizetype(connections_.size()) >= limits_.connections) {
            warn(QStringLiteral("more than %1 HTTP clients at once: the one that has waited "
                                "longest for its request is dropped for each new one")
                     .arg(limits_.connections));
            (*std::min_element(connections_.begin(), connections_.end(),
                               [](const Connection* a, const Connection* b) {
                                   return a->dropOrder() < b->dropOrder();
                               }))
                ->drop();
        }
        connections_.push_back(new Connection(this, socket));
        connections_.back()->readWhatCame();
    }
    if (!takeLater_) {
        takeLater_ = true;
        QTimer::singleShot(0, this, [this] {
            takeLater_ = false;
            takeConnections();
        });
    }
}

void HttpEndpoint::dropped(Connection* c) {
    const auto at = std::find(connections_.begin(), connections_.end(), c);
    if (at == connections_.end())
        return;
    connections_.erase(at);
    c->deleteLater();
}

void HttpEndpoint::warn(const QString& line) {
    if (lastWarning_.isValid() && !lastWarning_.hasExpired(10 * 60 * 1000))
        return;
    lastWarning_.start();
    say_(line);
}

QByteArray HttpEndpoint::answerTo(const HttpRequest& r) const {
    const bool head = r.method == "HEAD";
    const bool metrics = r.path == "/metrics";
    if (!metrics && r.path != "/reading")
        return jsonResponse(404, error("not found: the pages are /metrics and /reading"), head,
                            r.closes);
    if (!head && r.method != "GET")
        return jsonResponse(405, error("only GET and HEAD are served here"), false, r.closes,
                            "Allow: GET, HEAD\r\n");
    const MeterFigures& f = figures_();
    if (metrics)
        return response(200, kMetricsContentType, metricsText(f), head, r.closes);
    if (f.up && f.last)
        return jsonResponse(200, readJson(*f.last), head, r.closes);
    return jsonResponse(503, error("the meter is down: no reading"), head, r.closes);
}

} // namespace cli
