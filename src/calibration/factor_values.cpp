#include "calibration/factor_values.h"

#include "text/leading_value.h"

#include <array>
#include <charconv>
#include <cmath>
#include <string_view>

namespace calibration {

namespace {

constexpr int kScfCountEntries = 20;
constexpr char kStx = 0x02;
constexpr char kEtx = 0x03;

enum class Halves { ToEven, AwayFromZero };

// value x 1000 as an integer, for a value from 0 to a few units. The rounding is decided on the
// shortest decimal that reads back as value, i.e. on what the user typed: 1.2355 is a half,
// although its binary form (and 1.2355 x 1000 in binary) lies a little below it.
int thousandths(double value, Halves halves) {
    std::array<char, 64> buf{};
    const auto [end, ec] =
        std::to_chars(buf.data(), buf.data() + buf.size(), value, std::chars_format::fixed);
    if (ec != std::errc{})
        return int(std::lround(value * 1000.0));
    const std::string_view text(buf.data(), size_t(end - buf.data()));
    const size_t point = text.find('.');
    const std::string_view whole = text.substr(0, point);
    const std::string_view fraction =
        point == std::string_view::npos ? std::string_view() : text.substr(point + 1);

    int code = 0;
    for (char d : whole)
        code = code * 10 + (d - '0');
    for (size_t i = 0; i < 3; ++i)
        code = code * 10 + (i < fraction.size() ? fraction[i] - '0' : 0);
    if (fraction.size() <= 3)
        return code;
    const char next = fraction[3];
    const bool beyondHalf = fraction.find_first_not_of('0', 4) != std::string_view::npos;
    if (next > '5' || (next == '5' && beyondHalf))
        return code + 1;
    if (next == '5')
        return halves == Halves::AwayFromZero || code % 2 != 0 ? code + 1 : code;
    return code;
}

} // namespace

std::optional<int> calibrationCode(QStringView entry) {
    const double v = textrules::leadingValue(entry);
    if (v < 0.8 || v > 1.5)
        return std::nullopt;
    return thousandths(v, Halves::ToEven);
}

std::optional<int> scfCode(QStringView entry) {
    const double v = textrules::leadingValue(entry);
    if (v < 0.2 || v > 5.0)
        return std::nullopt;
    return thousandths(v, Halves::AwayFromZero);
}

QString factorText(int code) {
    return QStringLiteral("%1.%2").arg(code / 1000).arg(code % 1000, 3, 10, QLatin1Char('0'));
}

QByteArray codeBytes(int code) {
    return QByteArray().append(char(code / 256)).append(char(code % 256));
}

bool isCalibrationReply(const QByteArray& reply) {
    return reply.size() >= 4 && reply[0] == kStx && reply[3] == kEtx;
}

int calibrationReplyCode(const QByteArray& reply) {
    return quint8(reply[1]) * 256 + quint8(reply[2]);
}

QStringList scfCountNames() {
    QStringList names;
    for (const char side : {'L', 'U'})
        for (int i = 0; i < 10; ++i)
            names << QStringLiteral("%1%2").arg(QLatin1Char(side)).arg(i);
    return names;
}

std::optional<ScfSetting> readScfReply(const QByteArray& reply) {
    if (reply.size() < 4 || quint8(reply[1]) >= kScfCountEntries)
        return std::nullopt;
    return ScfSetting{quint8(reply[1]), quint8(reply[2]) * 256 + quint8(reply[3])};
}

QByteArray scfSetBytes(const ScfSetting& setting) {
    return QByteArray(1, char(setting.countIndex)) + codeBytes(setting.code);
}

bool acceptsEntryChar(QChar c) {
    return (c >= u'0' && c <= u'9') || c == u'.' || c == u'\b' || c == u'\r';
}

} // namespace calibration
