#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <variant>

namespace cli {

// A request line, or a whole head (line, headers and the blank line), longer than this is
// refused: no request this server answers comes near it.
inline constexpr qsizetype kRequestHeadLimit = 8 * 1024;

// What the HTTP endpoint needs of a request's head.
struct HttpRequest {
    qsizetype headLength = 0; // bytes from the start of the buffer to the end of the blank line
    QByteArray method;
    QByteArray path; // the target's path, without its query; "*" stays "*"
    // The client asked for the connection to end (Connection: close, or HTTP/1.0 without
    // keep-alive), or sent a body: no page takes one, so it is left unread and the
    // connection ends with the answer rather than reading on through it.
    bool closes = false;
};

// A head that cannot be a request: the status to answer before the connection ends.
struct RefusedHead {
    int status; // 400, 414, 431 or 505
};

struct IncompleteHead {};

// Reads one request head from the start of what a client has sent (further requests may
// follow it). Bare line feeds end lines as CR LF do, and blank lines before the request line
// are skipped.
std::variant<IncompleteHead, HttpRequest, RefusedHead> parseRequestHead(QByteArrayView in);

} // namespace cli
