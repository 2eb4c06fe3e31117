#pragma once

#include <QByteArray>
#include <QChar>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>

namespace calibration {

// The meter's calibration factor and SCF factor travel as the factor x 1000, two bytes, high
// byte first.

inline const QString kCalibrationRangeText =
    QStringLiteral("Calibration Range: 0.800 ~ 1.500 !!!!");
inline const QString kScfRangeText = QStringLiteral("SCF Range Error : 0.200 ~ 5.000");

// The code of a calibration entry: its leading number x 1000 to the nearest integer, a half to
// the even neighbour. Nothing when the number is below 0.8 or above 1.5 (an empty or
// non-numeric entry reads as 0).
std::optional<int> calibrationCode(QStringView entry);
// The code of an SCF entry: its leading number written with three decimals (a half away from
// zero), x 1000. Nothing when the number is below 0.2 or above 5.
std::optional<int> scfCode(QStringView entry);

// A code as the windows show it: "1.000" for 1000.
QString factorText(int code);
// The two bytes of a code, high byte first.
QByteArray codeBytes(int code);

// The reply to "h": 4 bytes or more, STX first and ETX fourth, the code in bytes 1 and 2.
bool isCalibrationReply(const QByteArray& reply);
int calibrationReplyCode(const QByteArray& reply);

// The SCF count setting: 20 entries, "L0" ... "L9", "U0" ... "U9", sent as their position.
QStringList scfCountNames();

struct ScfSetting {
    int countIndex = 0;
    int code = 0;
};
// The reply to "a": 4 bytes or more; byte 1 the count position, bytes 2 and 3 the code; byte 0 is
// not looked at. Nothing when it is shorter or the count is not one of the 20.
std::optional<ScfSetting> readScfReply(const QByteArray& reply);
// The three bytes that follow "c": the count position and the code.
QByteArray scfSetBytes(const ScfSetting& setting);

// The characters a factor entry box takes: digits, the point, backspace and Enter.
bool acceptsEntryChar(QChar c);

} // namespace calibration
