#pragma once

#include "calibration/factor_values.h"

#include <QString>

#include <optional>

namespace meterlink {
class MeterLink;
}

namespace calibration {

// How long a meter may leave "h" without a well-formed reply before the read gives up.
inline constexpr double kFactorReadLimit = 10.0;
inline const QString kFactorUnreadText =
    QStringLiteral("The meter did not send its calibration factor.");

// The caller holds an ExchangeQueue::Exchange around each of these. All give up at once and
// return nothing / false when the program shuts down.

// A poll, "h", then 0.1 s passes reading what came back, with the request made again every
// second pass, until a well-formed reply arrives. Nothing after kFactorReadLimit seconds: a
// meter that polls well but never answers "h" must not hold the port for good.
std::optional<int> ReadCalibrationFactor(meterlink::MeterLink& link);
// A poll and "j" (the meter back to its initial factor), then the factor read as above.
std::optional<int> RestoreCalibrationFactor(meterlink::MeterLink& link);
// A poll, "i", 50 ms, the two bytes of the code, 200 ms for the meter to store it.
bool WriteCalibrationFactor(meterlink::MeterLink& link, int code);

// "a" and 20 ms, up to 1000 times, until 4 bytes come back (no poll first: the toolbar has just
// polled). Nothing when they never do, or when the count byte is not one of the 20.
std::optional<ScfSetting> ReadScfSetting(meterlink::MeterLink& link);
// A poll, "c", 50 ms, count position and code, 200 ms.
bool WriteScfSetting(meterlink::MeterLink& link, const ScfSetting& setting);
// A poll, "e" (the meter back to its initial SCF) and 500 ms.
bool RestoreInitialScf(meterlink::MeterLink& link);

} // namespace calibration
