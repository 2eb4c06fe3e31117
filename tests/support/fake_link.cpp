#include "fake_link.h"

#include <algorithm>
#include <cmath>

namespace testsupport {

bool VirtualWaiter::WaitSeconds(double seconds) {
    if (shutdown_)
        return false;
    now_ += seconds;
    if (onWait)
        onWait(now_);
    return !shutdown_;
}

bool FakePort::open(const QString& device, QString* why) {
    openedDevice = device;
    if (!openSucceeds && why)
        *why = QStringLiteral("%1 does not exist.").arg(device);
    return openSucceeds;
}

void FakePort::Output(const QByteArray& bytes) {
    sent += bytes;
    writes.append({clock_.now(), bytes});
    if (responder)
        responder(bytes);
}

void FakePort::deliver(const QByteArray& bytes, double delay) {
    pending_.append({clock_.now() + delay, bytes});
}

void FakePort::release() {
    const double now = clock_.now();
    auto due = std::stable_partition(pending_.begin(), pending_.end(),
                                     [now](const Pending& p) { return p.at <= now; });
    for (auto it = pending_.begin(); it != due; ++it)
        buffer_ += it->bytes;
    pending_.erase(pending_.begin(), due);
}

QByteArray FakePort::Input() {
    reads.append(clock_.now());
    release();
    return std::exchange(buffer_, QByteArray());
}

qint64 FakePort::InBufferCount() {
    release();
    return buffer_.size();
}

double FakePort::writtenAt(const QByteArray& bytes, int n) const {
    for (const Write& w : writes)
        if (w.bytes == bytes && n-- == 0)
            return w.at;
    return std::nan("");
}

double FakePort::firstReadAfter(double at) const {
    const auto it = std::find_if(reads.begin(), reads.end(), [at](double r) { return r > at; });
    return it == reads.end() ? std::nan("") : *it;
}

double FakePort::lastReadBefore(double at) const {
    const auto it = std::find_if(reads.rbegin(), reads.rend(), [at](double r) { return r < at; });
    return it == reads.rend() ? std::nan("") : *it;
}

void FakePort::discardInput() {
    release();
    buffer_.clear();
}

bool FakePort::WaitForInput(meterlink::Waiter& waiter, double seconds) {
    if (InBufferCount() > 0)
        return waiter.WaitSeconds(0.0);
    double wait = seconds;
    for (const Pending& p : std::as_const(pending_))
        wait = std::min(wait, p.at - clock_.now());
    return waiter.WaitSeconds(std::max(wait, 0.0));
}

FakeMeter::FakeMeter(FakePort& port, VirtualWaiter& clock) : port_(port) {
    port_.responder = [this, &clock](const QByteArray& command) {
        if (command == "A") {
            ++polls;
            if (!answersPolls)
                return;
            port_.deliver(badPollReplies.isEmpty() ? pollReply(pollValue)
                                                   : badPollReplies.takeFirst(),
                          0.004);
        } else if (command == "M" && answersPolls) {
            streaming = true;
            nextFrameAt_ = clock.now() + 0.03;
        }
    };
    clock.onWait = [this](double now) {
        while (streaming && answersPolls && !frame.isEmpty() && nextFrameAt_ <= now) {
            port_.deliver(frame);
            nextFrameAt_ += 0.1;
        }
        if (!answersPolls)
            nextFrameAt_ = now;
    };
}

QByteArray pollReply(quint32 value) {
    QByteArray r;
    r.append(char(0x02)).append(char(0xAA));
    r.append(char((value >> 16) & 0xFF))
        .append(char((value >> 8) & 0xFF))
        .append(char(value & 0xFF));
    r.append(char(0x03));
    return r;
}

QByteArray displayFrame(quint32 main, const std::array<unsigned char, 6>& status,
                        unsigned char memory, quint16 time) {
    QByteArray f(14, '\0');
    f[0] = 0x02;
    f[1] = char(memory);
    f[2] = char(main >> 16);
    f[3] = char(main >> 8);
    f[4] = char(main);
    f[5] = char(time >> 8);
    f[6] = char(time);
    for (int i = 0; i < 6; ++i)
        f[7 + i] = char(status[i]);
    f[13] = 0x03;
    return f;
}

} // namespace testsupport
