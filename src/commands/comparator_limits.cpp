#include "commands/comparator_limits.h"

namespace commands {

namespace {

constexpr int kDecimalCodeBits = 5; // bits 0-4, one-hot
constexpr quint8 kFootCandleBit = 0x20;
constexpr quint8 kLuxBit = 0x40;
constexpr int kLastPositionCode = 16;

int frameNumber(const QByteArray& frame, int firstByte) {
    return quint8(frame.at(firstByte)) * 256 + quint8(frame.at(firstByte + 1));
}

// Four digits with leading zeros; a number beyond 9999 keeps its last four.
QString limitText(int limit) {
    return (QStringLiteral("000") + QString::number(limit)).right(kLimitDigits);
}

int limitValue(const std::array<QString, kLimitDigits>& boxes) {
    QString digits;
    for (const QString& box : boxes)
        digits += limitDigit(box);
    return digits.toInt(); // empty gives 0
}

} // namespace

ComparatorSettings decodeComparatorSettings(const QByteArray& frame) {
    const quint8 flags = quint8(frame.at(3));
    const bool lux = flags & kLuxBit;
    ComparatorSettings settings;
    settings.unitText = lux ? QStringLiteral("Lx") : QStringLiteral("Fc");
    // With lux the codes start one option further right: option 1 does not exist there.
    const int firstOption = lux ? 2 : 1;
    for (int bit = 0; bit < kDecimalCodeBits; ++bit)
        if (flags & (1 << bit))
            settings.option = firstOption + bit;
    settings.high = limitText(frameNumber(frame, 4));
    settings.low = limitText(frameNumber(frame, 6));
    return settings;
}

QString limitDigit(const QString& boxText) {
    if (boxText.isEmpty() || boxText.at(0) < u'0' || boxText.at(0) > u'9')
        return {};
    return boxText.left(1);
}

QByteArray comparatorLimitsBlock(const ComparatorEntry& entry) {
    const bool lux = entry.unitText == QLatin1String("Lx");
    const int firstOption = lux ? 2 : 1;
    const int position = entry.option - firstOption; // 0..3 for codes 1, 2, 4, 8
    const int code = position >= 0 && position < 4 ? 1 << position : kLastPositionCode;
    const int high = limitValue(entry.high);
    const int low = limitValue(entry.low);
    QByteArray block;
    block.append(char((lux ? kLuxBit : kFootCandleBit) | code));
    block.append(char(high / 256)).append(char(high % 256));
    block.append(char(low / 256)).append(char(low % 256));
    return block;
}

} // namespace commands
