#pragma once

namespace textrules {

// Lux in one foot-candle (a lumen per square foot: 1 / 0.3048², rounded as meters and tables
// round it).
inline constexpr double kLuxPerFootCandle = 10.764;

} // namespace textrules
