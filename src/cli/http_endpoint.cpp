#include "cli/http_endpoint.h"

#include "cli/request_limit.h"

#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QJsonObject>
#include <QTcpSocket>
#include <QTimer>

namespace cli {

namespace {

using Status = QHttpServerResponder::StatusCode;

// Sees every byte of its connection before the HTTP server does: it is connected to readyRead
// before the server takes the socket, and slots run in the order they were connected.
class ConnectionGuard : public QObject {
public:
    explicit ConnectionGuard(QTcpSocket* socket) : QObject(socket), socket_(socket) {
        connect(socket, &QTcpSocket::readyRead, this, &ConnectionGuard::onReadyRead);
        silence_.setSingleShot(true);
        connect(&silence_, &QTimer::timeout, this, &ConnectionGuard::drop);
        silence_.start(kSilentClientDrop);
    }

private:
    void onReadyRead() {
        if (refused_) {
            socket_->readAll(); // nothing more reaches the server
            return;
        }
        silence_.start(kSilentClientDrop);
        const auto verdict = limit_.take(socket_->peek(socket_->bytesAvailable()));
        if (verdict == RequestHeadLimit::Verdict::Fine)
            return;
        refused_ = true;
        socket_->readAll();
        const QByteArray status = verdict == RequestHeadLimit::Verdict::LineTooLong
                                      ? "414 URI Too Long"
                                      : "431 Request Header Fields Too Large";
        const QByteArray body = "request head over 8 KiB\n";
        socket_->write("HTTP/1.1 " + status + "\r\nContent-Type: text/plain\r\nContent-Length: " +
                       QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
        // The silence timer keeps running: a client that reads nothing is dropped all the same.
        socket_->disconnectFromHost();
    }

    // The server forgets a connection that breaks its parser without closing it: ours to end.
    void drop() {
        socket_->abort();
        socket_->deleteLater();
    }

    QTcpSocket* socket_;
    RequestHeadLimit limit_{kRequestHeadLimit};
    QTimer silence_;
    bool refused_ = false;
};

void answer(QHttpServerResponder& responder, const QByteArray& body, const QByteArray& type,
            Status status) {
    responder.write(body, {{"Content-Type", type}, {"Cache-Control", "no-store"}}, status);
}

void answerJson(QHttpServerResponder& responder, const QJsonObject& o, Status status) {
    answer(responder, jsonText(o).toUtf8() + '\n', "application/json", status);
}

QJsonObject error(const char* text) {
    return {{QStringLiteral("error"), QLatin1String(text)}};
}

} // namespace

void GuardedTcpServer::incomingConnection(qintptr descriptor) {
    auto* socket = new QTcpSocket(this);
    if (!socket->setSocketDescriptor(descriptor)) {
        delete socket;
        return;
    }
    new ConnectionGuard(socket);
    addPendingConnection(socket);
}

HttpEndpoint::HttpEndpoint(std::function<const MeterFigures&()> figures, QObject* parent)
    : QObject(parent), figures_(std::move(figures)), tcp_(new GuardedTcpServer(this)) {
    const auto page = [this](QString path, auto write) {
        server_.route(
            path, [write](const QHttpServerRequest& request, QHttpServerResponder&& responder) {
                if (request.method() != QHttpServerRequest::Method::Get)
                    responder.write(jsonText(error("only GET is served here")).toUtf8() + '\n',
                                    {{"Content-Type", "application/json"}, {"Allow", "GET"}},
                                    Status::MethodNotAllowed);
                else
                    write(responder);
            });
    };
    page(QStringLiteral("/metrics"), [this](QHttpServerResponder& responder) {
        answer(responder, metricsText(figures_()), kMetricsContentType, Status::Ok);
    });
    page(QStringLiteral("/reading"), [this](QHttpServerResponder& responder) {
        const MeterFigures& f = figures_();
        if (f.up && f.last)
            answerJson(responder, readJson(*f.last), Status::Ok);
        else
            answerJson(responder, error("the meter is down: no reading"),
                       Status::ServiceUnavailable);
    });
    server_.setMissingHandler([](const QHttpServerRequest&, QHttpServerResponder&& responder) {
        answerJson(responder, error("not found: the pages are /metrics and /reading"),
                   Status::NotFound);
    });
}

bool HttpEndpoint::listen(const NetAddress& at, QString* why) {
    const QHostAddress address = at.host == QLatin1String("localhost")
                                     ? QHostAddress(QHostAddress::LocalHost)
                                     : QHostAddress(at.host);
    if (address.isNull()) {
        *why = QStringLiteral("%1 is not an IP address").arg(at.host);
        return false;
    }
    if (!tcp_->listen(address, at.port)) {
        *why = tcp_->errorString();
        return false;
    }
    server_.bind(tcp_);
    return true;
}

} // namespace cli
