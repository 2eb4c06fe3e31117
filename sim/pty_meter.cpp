#include "sim/pty_meter.h"

#include "sim/display_frame.h"

#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QTime>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace sim {

namespace {

using namespace std::chrono_literals;

// ptsname() returns a shared static buffer; two meters may open at once on two threads.
QMutex ptsnameMutex;

constexpr auto kMaxPacerWait = 10ms;
// Snapshots are skipped while this much is still waiting, so a burst cannot pile them up.
constexpr qsizetype kMaxBacklog = 2 * 14;
constexpr auto kReplugRetry = 1s;

QString systemError(const QString& what) {
    return QStringLiteral("%1: %2").arg(what, QString::fromLocal8Bit(std::strerror(errno)));
}

std::chrono::nanoseconds lineTime(qint64 bytes) {
    return std::chrono::nanoseconds(bytes * 1'000'000'000LL / PtyMeter::kBytesPerSecond);
}

} // namespace

PtyMeter::PtyMeter(QString linkPath, std::shared_ptr<SharedModel> model, QObject* parent)
    : QObject(parent), linkPath_(std::move(linkPath)),
      model_(model ? std::move(model) : std::make_shared<SharedModel>()),
      rng_(QRandomGenerator::global()->generate()) {
    streamTimer_ = new QTimer(this);
    streamTimer_->setTimerType(Qt::PreciseTimer);
    streamTimer_->setInterval(kStreamPeriod);
    connect(streamTimer_, &QTimer::timeout, this, &PtyMeter::onStreamTick);

    pacer_ = new QTimer(this);
    pacer_->setTimerType(Qt::PreciseTimer);
    pacer_->setSingleShot(true);
    connect(pacer_, &QTimer::timeout, this, &PtyMeter::pump);

    replugTimer_ = new QTimer(this);
    replugTimer_->setSingleShot(true);
    connect(replugTimer_, &QTimer::timeout, this, &PtyMeter::onReplug);
}

PtyMeter::~PtyMeter() {
    close();
}

bool PtyMeter::open(QString* error) {
    replugTimer_->stop();
    if (masterFd_ >= 0)
        return true;
    if (!clockSet_) {
        // The meter's clock starts out right, as if set before the session.
        const auto now = Clock::now();
        model_->with([&](MeterModel& m) {
            m.setClock(QDate::currentDate().day(),
                       QTime::currentTime().msecsSinceStartOfDay() / 1000, now);
        });
        clockSet_ = true;
    }
    QString message;
    if (!openPty(&message)) {
        if (error)
            *error = message;
        return false;
    }
    return true;
}

void PtyMeter::close() {
    replugTimer_->stop();
    closePty();
}

QString PtyMeter::devicePath() const {
    QMutexLocker lock(&infoMutex_);
    return devicePath_;
}

bool PtyMeter::isPlugged() const {
    QMutexLocker lock(&infoMutex_);
    return !devicePath_.isEmpty();
}

void PtyMeter::setFrameObserver(FrameObserver observer) {
    QMutexLocker lock(&infoMutex_);
    observer_ = std::move(observer);
}

bool PtyMeter::openPty(QString* error) {
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0) {
        *error = systemError(QStringLiteral("posix_openpt"));
        return false;
    }
    ::fcntl(master, F_SETFD, FD_CLOEXEC);
    if (::grantpt(master) != 0 || ::unlockpt(master) != 0) {
        *error = systemError(QStringLiteral("grantpt/unlockpt"));
        ::close(master);
        return false;
    }
    QByteArray name;
    {
        QMutexLocker lock(&ptsnameMutex);
        if (const char* n = ::ptsname(master))
            name = n;
    }
    if (name.isEmpty()) {
        *error = systemError(QStringLiteral("ptsname"));
        ::close(master);
        return false;
    }
    // Holding the slave open ourselves keeps the master from reporting a hang-up whenever no
    // client is attached; a hang-up would make the read notifier fire without end.
    const int slave = ::open(name.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (slave < 0) {
        *error = systemError(QStringLiteral("open %1").arg(QString::fromLocal8Bit(name)));
        ::close(master);
        return false;
    }
    // Raw, so a client that does not set the line up itself neither gets its own frames echoed
    // back to the meter nor has bytes such as 0x03 or 0x0D translated.
    termios tio{};
    if (::tcgetattr(slave, &tio) == 0) {
        ::cfmakeraw(&tio);
        ::cfsetispeed(&tio, B19200);
        ::cfsetospeed(&tio, B19200);
        tio.c_cflag |= CLOCAL | CREAD;
        ::tcsetattr(slave, TCSANOW, &tio);
    }
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);

    slaveName_ = name;
    if (!placeLink(name, error)) {
        ::close(slave);
        ::close(master);
        slaveName_.clear();
        return false;
    }
    masterFd_ = master;
    slaveFd_ = slave;
    readNotifier_ = new QSocketNotifier(qintptr(master), QSocketNotifier::Read, this);
    connect(readNotifier_, &QSocketNotifier::activated, this, &PtyMeter::onMasterReadable);
    {
        QMutexLocker lock(&infoMutex_);
        devicePath_ = QString::fromLocal8Bit(name);
    }
    emit pluggedIn(QString::fromLocal8Bit(name));
    return true;
}

void PtyMeter::closePty() {
    streamTimer_->stop();
    dropOutput();
    if (readNotifier_) {
        readNotifier_->setEnabled(false);
        delete readNotifier_;
        readNotifier_ = nullptr;
    }
    if (masterFd_ < 0)
        return;
    removeLink();
    ::close(slaveFd_);
    ::close(masterFd_);
    slaveFd_ = masterFd_ = -1;
    slaveName_.clear();
    QMutexLocker lock(&infoMutex_);
    devicePath_.clear();
}

bool PtyMeter::placeLink(const QByteArray& target, QString* error) {
    const QFileInfo info(linkPath_);
    if (!QDir().mkpath(info.absolutePath())) {
        *error = QStringLiteral("cannot create the folder %1").arg(info.absolutePath());
        return false;
    }
    const QByteArray path = QFile::encodeName(linkPath_);
    struct stat st {};
    if (::lstat(path.constData(), &st) == 0 && !S_ISLNK(st.st_mode)) {
        *error = QStringLiteral("%1 exists and is not a symbolic link").arg(linkPath_);
        return false;
    }
    // A link left by an earlier run is replaced in one step, so a client never sees the path
    // missing or pointing at a dead device.
    const QByteArray temp = path + ".new." + QByteArray::number(::getpid()) + '.' +
                            QByteArray::number(quintptr(this), 16);
    ::unlink(temp.constData());
    if (::symlink(target.constData(), temp.constData()) != 0) {
        *error = systemError(QStringLiteral("symlink %1").arg(linkPath_));
        return false;
    }
    if (::rename(temp.constData(), path.constData()) != 0) {
        *error = systemError(QStringLiteral("rename to %1").arg(linkPath_));
        ::unlink(temp.constData());
        return false;
    }
    return true;
}

void PtyMeter::removeLink() {
    // Only our own link: another meter may have taken the path over since.
    const QByteArray path = QFile::encodeName(linkPath_);
    char target[4096];
    const ssize_t n = ::readlink(path.constData(), target, sizeof target - 1);
    if (n > 0 && QByteArray(target, n) == slaveName_)
        ::unlink(path.constData());
}

void PtyMeter::onMasterReadable() {
    QByteArray received;
    char buffer[512];
    for (;;) {
        const ssize_t n = ::read(masterFd_, buffer, sizeof buffer);
        if (n > 0) {
            received.append(buffer, n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            break;
        // The slave side is gone after all; stop listening rather than spin on the error.
        readNotifier_->setEnabled(false);
        break;
    }
    if (received.isEmpty())
        return;

    const auto now = Clock::now();
    const bool silent = isSilentAt(now);
    QList<QByteArray> replies;
    bool streaming = false;
    bool poweredOff = false;
    model_->with([&](MeterModel& m) {
        for (char c : std::as_const(received)) {
            QByteArray reply = m.receive(quint8(c), now, silent);
            if (!reply.isEmpty())
                replies.append(std::move(reply));
        }
        streaming = m.isStreaming(now);
        poweredOff = m.isPoweredOff(now);
    });
    if (poweredOff)
        dropOutput(); // the display goes dark mid-frame
    for (QByteArray& reply : replies)
        enqueue(std::move(reply), FrameKind::Reply);
    updateStream(streaming);
}

void PtyMeter::pressKey(char letter) {
    const auto now = Clock::now();
    QByteArray reply;
    bool streaming = false;
    model_->with([&](MeterModel& m) {
        reply = m.command(letter, now);
        streaming = m.isStreaming(now);
    });
    if (!isSilentAt(now))
        enqueue(std::move(reply), FrameKind::Reply);
    updateStream(streaming);
}

void PtyMeter::updateStream(bool streaming) {
    if (streaming && masterFd_ >= 0 && !streamTimer_->isActive()) {
        streamTimer_->start();
        onStreamTick(); // the first frame follows "M" at once
    } else if (!streaming) {
        streamTimer_->stop();
        // Frames not yet begun are not sent: a reply that stopped the stream (the memory dump)
        // follows the frame on the line at once.
        std::erase_if(
            queue_, [](const Chunk& c) { return c.written == 0 && c.frame == FrameKind::Display; });
    }
}

void PtyMeter::onStreamTick() {
    const auto now = Clock::now();
    if (masterFd_ < 0 || isSilentAt(now))
        return;
    bool streaming = false;
    QByteArray frame;
    model_->with([&](MeterModel& m) {
        streaming = m.isStreaming(now);
        if (streaming)
            frame = encodeDisplayFrame(m.display(now));
    });
    if (!streaming) {
        streamTimer_->stop();
        return;
    }
    if (queuedBytes() > kMaxBacklog)
        return;
    enqueue(std::move(frame), FrameKind::Display);
}

void PtyMeter::silence(std::chrono::milliseconds duration) {
    silentUntil_ = Clock::now() + duration;
    dropOutput();
}

void PtyMeter::sendGarbage(int count) {
    if (count <= 0 || isSilentAt(Clock::now()))
        return;
    QByteArray bytes(count, '\0');
    for (char& b : bytes)
        b = char(rng_.bounded(256));
    enqueue(std::move(bytes), std::nullopt);
}

void PtyMeter::cutFrames(int count) {
    cutRemaining_ += std::max(count, 0);
}

void PtyMeter::unplug(std::chrono::milliseconds duration) {
    if (masterFd_ < 0)
        return;
    closePty();
    // A fresh line: the meter waits for "M" again before it streams.
    model_->with([](MeterModel& m) { m.stopStream(); });
    emit unplugged();
    replugTimer_->start(std::max(duration, std::chrono::milliseconds(0)));
}

void PtyMeter::onReplug() {
    if (masterFd_ >= 0)
        return;
    QString error;
    if (!openPty(&error)) {
        qWarning("metersim: cannot plug in again (%s); retrying", qPrintable(error));
        replugTimer_->start(kReplugRetry);
    }
}

void PtyMeter::enqueue(QByteArray bytes, std::optional<FrameKind> frame) {
    if (bytes.isEmpty() || masterFd_ < 0)
        return;
    if (frame && cutRemaining_ > 0 && bytes.size() > 1) {
        --cutRemaining_;
        bytes.truncate(1 + rng_.bounded(int(bytes.size()) - 1));
    }
    const auto now = Clock::now();
    // A line that has fallen idle starts a new run of bytes now; a busy one keeps its pace.
    if (queue_.empty() && now >= lineStart_ + lineTime(lineBytes_)) {
        lineStart_ = now;
        lineBytes_ = 0;
    }
    queue_.push_back({std::move(bytes), 0, frame});
    pump();
}

void PtyMeter::dropOutput() {
    queue_.clear();
    pacer_->stop();
}

qsizetype PtyMeter::queuedBytes() const {
    qsizetype n = 0;
    for (const Chunk& c : queue_)
        n += c.bytes.size() - c.written;
    return n;
}

void PtyMeter::pump() {
    if (queue_.empty() || masterFd_ < 0) {
        pacer_->stop();
        return;
    }
    const auto now = Clock::now();
    const auto elapsed = std::chrono::duration_cast<std::chrono::nanoseconds>(now - lineStart_);
    qint64 due = elapsed.count() * kBytesPerSecond / 1'000'000'000LL - lineBytes_;
    while (due > 0 && !queue_.empty()) {
        Chunk& chunk = queue_.front();
        const qsizetype n = std::min<qsizetype>(due, chunk.bytes.size() - chunk.written);
        // A reader may have the bytes the moment they are written.
        const auto writtenAt = Clock::now();
        writeMaster(chunk.bytes.constData() + chunk.written, n);
        chunk.written += n;
        lineBytes_ += n;
        due -= n;
        if (chunk.written == chunk.bytes.size()) {
            const Chunk done = std::move(chunk);
            queue_.pop_front();
            if (done.frame)
                notifyFrame(done.bytes, *done.frame, writtenAt);
        }
    }
    if (queue_.empty()) {
        pacer_->stop();
        return;
    }
    // Wake when the rest is on the line, but at least every 10 ms so a long burst trickles out
    // as it would over the wire rather than in one lump at its end.
    const auto doneAt = lineStart_ + lineTime(lineBytes_ + queuedBytes());
    const auto nextByteAt = lineStart_ + lineTime(lineBytes_ + 1);
    auto wait = std::max(doneAt - Clock::now(), nextByteAt - Clock::now());
    wait = std::min<Clock::duration>(wait, kMaxPacerWait);
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(wait);
    pacer_->start(std::max(ms, std::chrono::milliseconds(1)));
}

void PtyMeter::writeMaster(const char* data, qsizetype size) {
    bool flushed = false;
    while (size > 0) {
        const ssize_t n = ::write(masterFd_, data, size_t(size));
        if (n > 0) {
            data += n;
            size -= n;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) && !flushed) {
            // Nobody has read for a long while and the terminal's buffer is full: the oldest
            // bytes are lost, as on a wire with no listener.
            ::tcflush(slaveFd_, TCIFLUSH);
            flushed = true;
            continue;
        }
        return;
    }
}

void PtyMeter::notifyFrame(const QByteArray& frame, FrameKind kind, Clock::time_point at) {
    FrameObserver observer;
    {
        QMutexLocker lock(&infoMutex_);
        observer = observer_;
    }
    if (observer)
        observer(frame, kind, at);
    emit frameWritten(frame, kind, at);
}

} // namespace sim
