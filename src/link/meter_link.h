#pragma once

#include "link/exchange_queue.h"
#include "link/link_state.h"
#include "link/serial_port.h"
#include "link/waiter.h"

#include <QObject>

#include <optional>

namespace meterlink {

inline constexpr int kPollAttemptsPerSeries = 1000;
inline constexpr double kPollReplyWait = 0.02;
inline constexpr qint64 kPollReplyLength = 6;
inline constexpr double kFrameCollectWindow = 2.0;
inline constexpr int kFrameReadsBeforeReconnect = 6;
inline constexpr double kStreamRestartWait = 0.2;
// The meter sends each display frame as one burst (some 7 ms on the line) and then pauses: a
// silence this long inside the bytes of a frame means they came from two bursts.
inline constexpr double kBurstPause = 0.03;
// Readers of the display stream poll (and restart the stream) once every this many frames.
inline constexpr int kFramesPerPoll = 15;
inline const QString kNoLinkText = QStringLiteral("No COM");

// The exchanges that carry the link itself: the poll, the display stream and the recovery.
// Every wait goes through the Waiter; when it reports a shutdown the exchange gives up at once.
// Callers hold an ExchangeQueue::Exchange while they talk (checked in debug builds).
class MeterLink : public QObject {
    Q_OBJECT
public:
    MeterLink(SerialPort& port, Waiter& waiter, LinkState& state);

    SerialPort& port() { return port_; }
    // Who may talk to the meter now: every user action and periodic handler goes through it.
    ExchangeQueue& exchanges() { return exchanges_; }

    // The value of the last valid poll reply (the logger memory's end address).
    quint32 pollValue() const { return quint32(state_.PollValue); }
    // Sends "A" until a valid poll reply arrives and sets PollValue. Returns false only when
    // the program is shutting down.
    bool PollReading();
    // Shows "No COM", polls until the meter answers, restarts the display stream and shows the
    // link name again. Returns false only when the program is shutting down.
    bool ReconnectMeter();
    // One display frame (14 bytes or more of one burst, STX first and ETX fourteenth), or
    // nothing when the link was lost (after the recovery has run) or the program is shutting
    // down.
    std::optional<QByteArray> ReadDisplayFrame();

    // The link's timed wait, for exchanges built on top of the link: false on shutdown.
    bool WaitSeconds(double seconds) { return waiter_.WaitSeconds(seconds); }
    // A wait that ends as soon as bytes come in: false on shutdown.
    bool WaitForInput(double seconds) { return port_.WaitForInput(waiter_, seconds); }
    // The clock the waits run on, in seconds, and whether the program is ending.
    double now() const { return waiter_.now(); }
    bool shuttingDown() const { return waiter_.shuttingDown(); }

    void send(const QByteArray& bytes) {
        requireExchange();
        port_.Output(bytes);
    }

Q_SIGNALS:
    // The link label's text: "No COM" while the meter is lost, the link name otherwise.
    void linkTextChanged(const QString& text);

private:
    enum class Series { Answered, Silent, ShuttingDown };
    // Up to 1000 attempts of "A" with a 20 ms wait; Answered once 6 bytes or more came back.
    Series pollSeries(QByteArray& reply);
    // Up to 2 s of the display stream, until 14 bytes of one burst are in; nothing on shutdown.
    std::optional<QByteArray> collectBurst();
    void drain();
    void requireExchange() const;

    SerialPort& port_;
    Waiter& waiter_;
    LinkState& state_;
    ExchangeQueue exchanges_;
};

// True for a 6-byte-or-longer reply whose bytes 1, 2 and 6 are STX, 0xAA and ETX.
bool isPollReply(const QByteArray& reply);
// byte3 * 65536 + byte4 * 256 + byte5 of a poll reply.
quint32 pollReplyValue(const QByteArray& reply);

// The reply of `length` bytes, STX first, to a request made while the display stream runs, found
// in what arrived after the request: whole display frames in front of it are passed over, and it
// must end the bytes or be followed by the next frame's STX. Anything else (the rest of a frame
// that was under way, a reply in pieces) gives nothing, and the caller asks again: a frame's bytes
// must never be read as a setting.
std::optional<QByteArray> replyAmidStream(const QByteArray& received, qsizetype length);

} // namespace meterlink
