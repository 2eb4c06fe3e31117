#include "cli/http_request.h"

#include <QList>

#include <algorithm>
#include <optional>

namespace cli {

namespace {

bool isTokenChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           QByteArrayView("!#$%&'*+-.^_`|~").contains(c);
}

bool isToken(QByteArrayView s) {
    return !s.isEmpty() && std::all_of(s.begin(), s.end(), isTokenChar);
}

// Visible characters, spaces and tabs, and bytes beyond ASCII; no other control character.
bool isFieldValue(QByteArrayView v) {
    return std::none_of(v.begin(), v.end(), [](char c) {
        const auto u = uchar(c);
        return (u < 0x20 && c != '\t') || u == 0x7f;
    });
}

bool isDigits(QByteArrayView v) {
    return !v.isEmpty() &&
           std::all_of(v.begin(), v.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool sameText(QByteArrayView a, const char* b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// The path of an origin-form or absolute-form target, without its query.
QByteArrayView pathOf(QByteArrayView target) {
    for (const char* scheme : {"http://", "https://"}) {
        if (target.size() > qsizetype(qstrlen(scheme)) &&
            sameText(target.first(qstrlen(scheme)), scheme)) {
            const qsizetype slash = target.indexOf('/', qstrlen(scheme));
            target = slash < 0 ? QByteArrayView("/") : target.sliced(slash);
        }
    }
    for (const char end : {'?', '#'})
        if (const qsizetype at = target.indexOf(end); at >= 0)
            target = target.first(at);
    return target;
}

} // namespace

std::variant<IncompleteHead, HttpRequest, RefusedHead> parseRequestHead(QByteArrayView in) {
    // The lines up to the blank line that ends the head, as far as the limit allows.
    qsizetype pos = 0;
    while (pos < in.size() && (in[pos] == '\r' || in[pos] == '\n'))
        ++pos;
    QList<QByteArrayView> lines;
    qsizetype requestLineEnd = -1;
    qsizetype end = -1;
    while (end < 0 && pos <= kRequestHeadLimit) {
        const qsizetype lf = in.indexOf('\n', pos);
        if (lf < 0)
            break;
        QByteArrayView line = in.sliced(pos, lf - pos);
        if (line.endsWith('\r'))
            line.chop(1);
        pos = lf + 1;
        if (requestLineEnd < 0)
            requestLineEnd = pos;
        if (line.isEmpty() && lines.size() > 0)
            end = pos;
        else
            lines.append(line);
    }
    if (end < 0 || end > kRequestHeadLimit) {
        if ((end < 0 ? in.size() : end) <= kRequestHeadLimit)
            return IncompleteHead{};
        // Past the limit: inside the request line, or after it.
        return RefusedHead{requestLineEnd < 0 || requestLineEnd > kRequestHeadLimit ? 414 : 431};
    }

    // METHOD SP TARGET SP HTTP/d.d
    const QByteArrayView line = lines.front();
    const qsizetype first = line.indexOf(' ');
    const qsizetype last = line.lastIndexOf(' ');
    if (first <= 0 || last == first)
        return RefusedHead{400};
    const QByteArrayView method = line.first(first);
    const QByteArrayView target = line.sliced(first + 1, last - first - 1);
    const QByteArrayView version = line.sliced(last + 1);
    if (!isToken(method) || target.isEmpty() || target.contains(' ') || target.contains('\t') ||
        !isFieldValue(target))
        return RefusedHead{400};
    if (version.size() != 8 || !version.startsWith("HTTP/") || version[6] != '.' ||
        !isDigits(version.sliced(5, 1)) || !isDigits(version.sliced(7)))
        return RefusedHead{400};
    if (version[5] != '1')
        return RefusedHead{505};
    const bool http10 = version[7] == '0';

    int hosts = 0;
    bool close = false;
    bool keepAlive = false;
    bool chunked = false;
    std::optional<QByteArrayView> length;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArrayView header = lines[i];
        // A line that starts with white space continues the last one: obsolete, refused.
        const qsizetype colon = header.indexOf(':');
        if (colon <= 0 || !isToken(header.first(colon)) || !isFieldValue(header))
            return RefusedHead{400};
        const QByteArrayView name = header.first(colon);
        const QByteArrayView value = header.sliced(colon + 1).trimmed();
        if (sameText(name, "host")) {
            ++hosts;
        } else if (sameText(name, "connection")) {
            for (const QByteArray& option : value.toByteArray().split(',')) {
                close = close || sameText(option.trimmed(), "close");
                keepAlive = keepAlive || sameText(option.trimmed(), "keep-alive");
            }
        } else if (sameText(name, "content-length")) {
            if (!isDigits(value) || (length && *length != value))
                return RefusedHead{400};
            length = value;
        } else if (sameText(name, "transfer-encoding")) {
            chunked = true;
        }
    }
    // HTTP/1.1 names its host once; a body with two lengths could be read two ways.
    if (hosts > 1 || (!http10 && hosts == 0) || (chunked && (length || http10)))
        return RefusedHead{400};
    const bool body = chunked || (length && std::any_of(length->begin(), length->end(),
                                                        [](char c) { return c != '0'; }));
    return HttpRequest{end, method.toByteArray(), pathOf(target).toByteArray(),
                       close || (http10 && !keepAlive) || body};
}

} // namespace cli
