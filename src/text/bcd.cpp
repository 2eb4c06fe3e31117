#include "text/bcd.h"

namespace textrules {

QString bcdText(quint8 byte) {
    return QStringLiteral("%1").arg(uint(byte), 2, 16, QLatin1Char('0')).toUpper();
}

quint8 toBcd(int value) {
    return quint8((value / 10 % 10) << 4 | value % 10);
}

} // namespace textrules
