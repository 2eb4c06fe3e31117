#pragma once

#include "link/serial_port.h"
#include "link/waiter.h"

#include <QByteArray>
#include <QList>

#include <array>

#include <functional>

namespace testsupport {

// A clock that jumps forward by each wait, so exchanges run in virtual time.
class VirtualWaiter : public meterlink::Waiter {
public:
    bool WaitSeconds(double seconds) override;
    double now() const override { return now_; }
    bool shuttingDown() const override { return shutdown_; }

    void shutDown() { shutdown_ = true; }
    // Runs after every wait, with the new time (a meter script, a shutdown at some moment...).
    std::function<void(double now)> onWait;

private:
    double now_ = 1000.0;
    bool shutdown_ = false;
};

// A scripted meter behind the SerialPort interface. Bytes queued with deliver() become
// readable once the virtual clock reaches their time; every Output is logged and handed to
// the responder, which may queue a reply.
class FakePort : public meterlink::SerialPort {
public:
    explicit FakePort(const VirtualWaiter& clock) : clock_(clock) {}

    bool open(const QString& device, QString* why) override;
    void Output(const QByteArray& bytes) override;
    QByteArray Input() override;
    qint64 InBufferCount() override;
    void discardInput() override;
    // Wakes the moment the next scripted bytes are due, as a real port's readyRead would.
    bool WaitForInput(meterlink::Waiter& waiter, double seconds) override;
    bool isConnected() const override { return connected; }

    void deliver(const QByteArray& bytes, double delay = 0.0);
    // Every byte the program sent, in order.
    QByteArray sent;
    // Each write with the virtual time it went out, and the time of each read: how long the
    // program waits between its steps.
    struct Write {
        double at;
        QByteArray bytes;
    };
    QList<Write> writes;
    QList<double> reads;
    // The time of the n-th write (from 0) that is exactly these bytes; NaN if there is none.
    double writtenAt(const QByteArray& bytes, int n = 0) const;
    // The first read after a moment, and the last one before it; NaN if none.
    double firstReadAfter(double at) const;
    double lastReadBefore(double at) const;
    std::function<void(const QByteArray& command)> responder;
    bool connected = true;
    bool openSucceeds = true;
    QString openedDevice;

private:
    struct Pending {
        double at;
        QByteArray bytes;
    };
    void release();
    const VirtualWaiter& clock_;
    QList<Pending> pending_;
    QByteArray buffer_;
};

// A meter scripted on a FakePort: answers "A" (unless silent), and after "M" streams the
// current frame every 0.1 s of virtual time.
class FakeMeter {
public:
    FakeMeter(FakePort& port, VirtualWaiter& clock);

    bool answersPolls = true;
    quint32 pollValue = 1535;
    // Replies given to the next polls instead of a valid one (e.g. a wrong marker).
    QList<QByteArray> badPollReplies;
    bool streaming = false;
    QByteArray frame;
    int polls = 0;

private:
    FakePort& port_;
    double nextFrameAt_ = 0.0;
};

// Frames for scripted meters.
QByteArray pollReply(quint32 value);
// A 14-byte display frame: the memory byte, main bytes 3..5 as one number, the two time bytes
// as one number and status bytes 8..13.
QByteArray displayFrame(quint32 main, const std::array<unsigned char, 6>& status,
                        unsigned char memory = 0x12, quint16 time = 0x1234);

} // namespace testsupport
