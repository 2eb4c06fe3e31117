#pragma once

#include <QByteArray>

#include <optional>

namespace meterlink {
class MeterLink;
}

namespace recording {

// The meter's clock frame: a poll, "Y", 20 ms, and what came back, again and again until one
// pass brings at least 8 bytes. The caller holds an ExchangeQueue::Exchange around it; it gives
// up at once and returns nothing when the program shuts down.
std::optional<QByteArray> ReadClockFrame(meterlink::MeterLink& link);

} // namespace recording
