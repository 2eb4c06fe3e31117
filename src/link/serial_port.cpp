#include "link/serial_port.h"

#include "link/waiter.h"

#include <algorithm>

namespace meterlink {

namespace {
constexpr double kLookAgainSeconds = 0.02;
} // namespace

bool SerialPort::WaitForBytes(Waiter& waiter, qint64 count, double seconds) {
    Q_UNUSED(count);
    return waiter.WaitSeconds(std::min(seconds, kLookAgainSeconds));
}

} // namespace meterlink
