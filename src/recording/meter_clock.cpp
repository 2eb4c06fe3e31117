#include "recording/meter_clock.h"

#include "link/meter_link.h"
#include "recording/clock_values.h"

namespace recording {

namespace {
constexpr double kClockReplyWait = 0.02;
constexpr double kAfterNormalDisplayWait = 0.2;
constexpr double kBeforeDataBlockWait = 0.05;
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

bool ReturnToNormalDisplay(meterlink::MeterLink& link) {
    if (!link.PollReading())
        return false;
    link.send(QByteArrayLiteral("H"));
    return link.WaitSeconds(kAfterNormalDisplayWait);
}

bool SendSettingBlock(meterlink::MeterLink& link, char letter,
                      const std::function<QByteArray()>& makeBlock) {
    if (!link.PollReading())
        return false;
    link.send(QByteArray(1, letter));
    if (!link.WaitSeconds(kBeforeDataBlockWait))
        return false;
    link.send(makeBlock());
    return true;
}

bool SendMeterSetting(meterlink::MeterLink& link, char letter,
                      const std::function<QByteArray()>& makeBlock) {
    return ReturnToNormalDisplay(link) && SendSettingBlock(link, letter, makeBlock);
}

} // namespace recording
