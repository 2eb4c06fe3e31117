#pragma once

namespace textrules {

// Lux in one foot-candle, rounded as lighting tables round it (50 fc = 538.2 lx): the survey
// holds its levels to those tables.
inline constexpr double kLuxPerFootCandle = 10.764;
// The same exactly: a lumen per square foot, 1 / 0.3048² (10.7639104...). A dose or a reading in
// lux is worked out with it.
inline constexpr double kExactLuxPerFootCandle = 1.0 / (0.3048 * 0.3048);

} // namespace textrules
