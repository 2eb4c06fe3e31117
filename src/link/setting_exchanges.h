#pragma once

#include <QByteArray>

#include <functional>

namespace meterlink {

class MeterLink;

// The exchanges that write the meter's settings, used by every window that changes one. The
// caller holds an ExchangeQueue::Exchange around each; all give up at once and return false when
// the program shuts down.

// A poll, then the meter back to its normal display: "H" and 200 ms for it to settle.
bool ReturnToNormalDisplay(MeterLink& link);
// A poll, the letter and, 50 ms later, its data block. The block is made at the moment it goes
// out, so a time in it is as fresh as it can be.
bool SendSettingBlock(MeterLink& link, char letter, const std::function<QByteArray()>& makeBlock);
// Writes one clock or logger setting: both of the above, one after the other.
bool SendMeterSetting(MeterLink& link, char letter, const std::function<QByteArray()>& makeBlock);

} // namespace meterlink
