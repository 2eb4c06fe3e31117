#include "recording/meter_clock.h"

#include "link/meter_link.h"
#include "recording/clock_values.h"

namespace recording {

namespace {
constexpr double kClockReplyWait = 0.02;
} // namespace

std::optional<QByteArray> ReadClockFrame(meterlink::MeterLink& link) {
    for (;;) {
        if (!link.PollReading())
            return std::nullopt;
        link.send(QByteArrayLiteral("Y"));
        if (!link.WaitSeconds(kClockReplyWait))
            return std::nullopt;
        const QByteArray reply = link.port().Input();
        if (reply.size() >= kClockFrameSize)
            return reply;
    }
}

} // namespace recording
