#pragma once

#include <QString>

namespace textrules {

// A BCD byte as its two hexadecimal digits, high digit first (0x05 -> "05"); a byte that is not
// BCD shows its digits as they are (0x1A -> "1A").
QString bcdText(quint8 byte);
// 0..99 as the byte whose hexadecimal digits are its decimal digits (30 -> 0x30).
quint8 toBcd(int value);

} // namespace textrules
