#include "link/meter_link.h"

#include "link/display_decoder.h"

#include <QScopeGuard>

namespace meterlink {

namespace {
constexpr char kStx = 0x02;
constexpr char kEtx = 0x03;
constexpr char kPollMarker = char(0xAA);
const QByteArray kPollCommand = QByteArrayLiteral("A");
const QByteArray kStreamCommand = QByteArrayLiteral("M");
} // namespace

bool isPollReply(const QByteArray& reply) {
    return reply.size() >= 6 && reply.at(0) == kStx && reply.at(1) == kPollMarker &&
           reply.at(5) == kEtx;
}

quint32 pollReplyValue(const QByteArray& reply) {
    auto byte = [&](int i) { return quint32(static_cast<unsigned char>(reply.at(i))); };
    return byte(2) * 65536u + byte(3) * 256u + byte(4);
}

std::optional<QByteArray> replyAmidStream(const QByteArray& received, qsizetype length) {
    qsizetype at = 0;
    while (received.size() - at >= kDisplayFrameLength && received.at(at) == kStx &&
           received.at(at + kDisplayFrameLength - 1) == kEtx)
        at += kDisplayFrameLength;
    if (received.size() - at < length || received.at(at) != kStx)
        return std::nullopt;
    if (received.size() > at + length && received.at(at + length) != kStx)
        return std::nullopt;
    return received.mid(at, length);
}

MeterLink::MeterLink(SerialPort& port, Waiter& waiter, LinkState& state)
    : port_(port), waiter_(waiter), state_(state), exchanges_(waiter) {}

void MeterLink::requireExchange() const {
    // Talking to the meter outside an exchange lets two handlers' bytes interleave: each caller
    // runs through the exchange queue and holds an Exchange while it talks.
    Q_ASSERT_X(exchanges_.busy(), "MeterLink", "talk to the meter inside an Exchange");
}

void MeterLink::drain() {
    port_.Input();
}

MeterLink::Series MeterLink::pollSeries(QByteArray& reply) {
    reply.clear();
    for (int attempt = 0; attempt < kPollAttemptsPerSeries && reply.size() < kPollReplyLength;
         ++attempt) {
        if (waiter_.shuttingDown())
            return Series::ShuttingDown;
        drain();
        port_.Output(kPollCommand);
        // Ends as soon as a reply's length is in: only its first six bytes are looked at.
        if (!port_.WaitForBytes(waiter_, kPollReplyLength, kPollReplyWait))
            return Series::ShuttingDown;
        reply = port_.Input();
        // A device that has gone away will not answer the rest of the series either.
        if (!port_.isConnected())
            return Series::Silent;
    }
    return reply.size() >= kPollReplyLength ? Series::Answered : Series::Silent;
}

bool MeterLink::PollReading() {
    requireExchange();
    drain();
    QByteArray reply;
    for (;;) {
        switch (pollSeries(reply)) {
        case Series::ShuttingDown:
            return false;
        case Series::Silent:
            if (!ReconnectMeter())
                return false;
            continue;
        case Series::Answered:
            break;
        }
        if (isPollReply(reply)) {
            state_.PollValue = float(pollReplyValue(reply));
            return true;
        }
    }
}

bool MeterLink::ReconnectMeter() {
    requireExchange();
    state_.LinkLost = true;
    Q_EMIT linkTextChanged(kNoLinkText);
    QByteArray reply;
    for (;;) {
        const Series s = pollSeries(reply);
        if (s == Series::ShuttingDown)
            return false;
        if (s == Series::Answered && isPollReply(reply))
            break;
    }
    state_.PollValue = float(pollReplyValue(reply));
    do {
        port_.Output(kStreamCommand);
        if (!waiter_.WaitSeconds(kStreamRestartWait))
            return false;
    } while (port_.InBufferCount() == 0);
    state_.LinkLost = false;
    Q_EMIT linkTextChanged(state_.linkName);
    return true;
}

std::optional<QByteArray> MeterLink::ReadDisplayFrame() {
    requireExchange();
    // The stream's bytes wait for the next read, which drops them anyway.
    const auto rest = qScopeGuard([this] { port_.rest(); });
    int failures = 0;
    for (;;) {
        drain();
        port_.discardInput();
        const std::optional<QByteArray> collected = collectBurst();
        if (!collected)
            return std::nullopt;
        if (collected->size() < kDisplayFrameLength) {
            // A vanished device is lost at once rather than after twelve seconds of retries.
            if (failures < kFrameReadsBeforeReconnect - 1 && port_.isConnected()) {
                ++failures;
                continue;
            }
            if (!ReconnectMeter())
                return std::nullopt;
            drain();
            return std::nullopt;
        }
        failures = 0;
        if (collected->at(0) == kStx && collected->at(kDisplayFrameLength - 1) == kEtx)
            return collected;
    }
}

std::optional<QByteArray> MeterLink::collectBurst() {
    QByteArray collected;
    const double start = waiter_.now();
    double lastArrival = start;
    while (waiter_.now() - start <= kFrameCollectWindow && port_.isConnected()) {
        const QByteArray arrived = port_.Input();
        if (!arrived.isEmpty()) {
            const double at = waiter_.now();
            // The frame carries no checksum: bytes before a pause on the line are the tail of an
            // earlier burst (or a frame cut short) and can be no part of the one that follows.
            if (at - lastArrival >= kBurstPause)
                collected.clear();
            collected += arrived;
            lastArrival = at;
            if (collected.size() >= kDisplayFrameLength)
                break;
        }
        // Past the window by one look, as the collection has always ended.
        const double left = kFrameCollectWindow - (waiter_.now() - start) + kPollReplyWait;
        if (!port_.WaitForBytes(waiter_, 1, left))
            return std::nullopt;
    }
    return collected;
}

} // namespace meterlink
