#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QString>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace testsupport {

// Sends bytes to the serial device at path and collects what comes back, until `enough` bytes
// or the time is up.
inline QByteArray deviceExchange(const QString& path, const QByteArray& send, int withinMs,
                                 qsizetype enough) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return "open failed";
    if (::write(fd, send.constData(), send.size()) != send.size()) {
        ::close(fd);
        return "write failed";
    }
    QByteArray got;
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < withinMs && got.size() < enough) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 10) > 0 && (p.revents & POLLIN)) {
            char buffer[256];
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n > 0)
                got.append(buffer, n);
        }
    }
    ::close(fd);
    return got;
}

} // namespace testsupport
