#pragma once

#include <QByteArrayView>

namespace cli {

// Watches the bytes a client sends to the HTTP server, in the pieces they arrive in, and says
// when a request's line or head (line and headers) has grown past the limit. A head ends at its
// blank line; what follows starts the next request (no page here takes a body).
class RequestHeadLimit {
public:
    enum class Verdict { Fine, LineTooLong, HeadTooLarge };

    explicit RequestHeadLimit(qsizetype limit) : limit_(limit) {}
    // Once refused, a connection stays refused.
    Verdict take(QByteArrayView bytes);

private:
    qsizetype limit_;
    qsizetype headBytes_ = 0;
    qsizetype lineBytes_ = 0;   // without its CR
    bool inRequestLine_ = true; // until the first line that is not blank
    Verdict verdict_ = Verdict::Fine;
};

inline constexpr qsizetype kRequestHeadLimit = 8 * 1024;

} // namespace cli
