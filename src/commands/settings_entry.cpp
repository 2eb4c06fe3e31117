#include "commands/settings_entry.h"

#include "text/bcd.h"
#include "text/entry_parts.h"
#include "text/leading_value.h"

#include <algorithm>

namespace commands {

namespace {

constexpr int kLongestHoldField = 59;
constexpr int kLargestWholeDistance = 9;

SettingEntry accepted(int high, int low) {
    return {SettingEntry::Kind::Accepted, QByteArray().append(char(high)).append(char(low))};
}

} // namespace

bool isSettingsFrame(const QByteArray& reply) {
    return reply.size() >= kSettingsFrameSize && reply.at(0) == 0x02 &&
           reply.at(kSettingsFrameSize - 1) == 0x03;
}

int settingsDistance(const QByteArray& frame) {
    return quint8(frame.at(1)) * 256 + quint8(frame.at(2));
}

SettingEntry readHoldTimeEntry(QStringView text) {
    const std::optional<textrules::EntryParts> parts = textrules::splitEntry(text, u':');
    if (!parts)
        return {};
    const double minutes = textrules::leadingValue(parts->before);
    const double seconds = textrules::leadingValue(parts->after);
    if (minutes < 0 || seconds < 0)
        return {SettingEntry::Kind::Abandoned, {}};
    auto field = [](double v) {
        return textrules::toBcd(int(std::min(v, double(kLongestHoldField))));
    };
    return accepted(field(minutes), field(seconds));
}

SettingEntry readDistanceEntry(QStringView text) {
    const std::optional<textrules::EntryParts> parts = textrules::splitEntry(text, u'.');
    if (!parts)
        return {};
    const double whole = textrules::leadingValue(parts->before);
    // Two decimals, the second one 0 when only one was typed.
    const double hundredths = textrules::leadingValue((parts->after.toString() + u'0').left(2));
    if (whole < 0 || hundredths < 0)
        return {SettingEntry::Kind::Abandoned, {}};
    const int v = int(std::min(whole, double(kLargestWholeDistance))) * 100 + int(hundredths);
    return accepted(v / 256, v % 256);
}

QString distanceText(int hundredths) {
    return QStringLiteral("%1.%2")
        .arg(hundredths / 100, 2, 10, QLatin1Char('0'))
        .arg(hundredths % 100, 2, 10, QLatin1Char('0'));
}

QString distancePrompt(const QString& unitText) {
    const QString unitWord =
        unitText == QLatin1String("Fc") ? QStringLiteral("ft") : QStringLiteral("m");
    return QStringLiteral("Enter the distance from the Light Source (0.01~9.99)\r\n") + unitWord +
           QStringLiteral(" ( ") + unitText + QStringLiteral(" )");
}

} // namespace commands
