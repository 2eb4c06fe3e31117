#include "link/setting_exchanges.h"

#include "link/meter_link.h"

namespace meterlink {

namespace {
constexpr double kAfterNormalDisplayWait = 0.2;
constexpr double kBeforeDataBlockWait = 0.05;
} // namespace

bool ReturnToNormalDisplay(MeterLink& link) {
    if (!link.PollReading())
        return false;
    link.send(QByteArrayLiteral("H"));
    return link.WaitSeconds(kAfterNormalDisplayWait);
}

bool SendSettingBlock(MeterLink& link, char letter, const std::function<QByteArray()>& makeBlock) {
    if (!link.PollReading())
        return false;
    link.send(QByteArray(1, letter));
    if (!link.WaitSeconds(kBeforeDataBlockWait))
        return false;
    link.send(makeBlock());
    return true;
}

bool SendMeterSetting(MeterLink& link, char letter, const std::function<QByteArray()>& makeBlock) {
    return ReturnToNormalDisplay(link) && SendSettingBlock(link, letter, makeBlock);
}

} // namespace meterlink
