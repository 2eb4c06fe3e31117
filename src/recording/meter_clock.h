#pragma once

#include <QByteArray>

#include <functional>
#include <optional>

namespace meterlink {
class MeterLink;
}

namespace recording {

// The caller holds an ExchangeQueue::Exchange around each of these. Both give up at once and
// return nothing / false when the program shuts down.

// The meter's clock frame: a poll, "Y", 20 ms, and what came back, again and again until one
// pass brings at least 8 bytes.
std::optional<QByteArray> ReadClockFrame(meterlink::MeterLink& link);

// A poll, then the meter back to its normal display: "H" and 200 ms for it to settle.
bool ReturnToNormalDisplay(meterlink::MeterLink& link);
// A poll, the letter and, 50 ms later, its data block. The block is made at the moment it goes
// out, so a time in it is as fresh as it can be.
bool SendSettingBlock(meterlink::MeterLink& link, char letter,
                      const std::function<QByteArray()>& makeBlock);
// Writes one clock or logger setting: both of the above, one after the other.
bool SendMeterSetting(meterlink::MeterLink& link, char letter,
                      const std::function<QByteArray()>& makeBlock);

} // namespace recording
