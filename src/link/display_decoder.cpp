#include "link/display_decoder.h"

namespace meterlink {

const std::array<StatusBit, 46> kStatusBits = {{
    {8, 0, &MeterStatus::RelOn, "RelOn"},
    {8, 1, &MeterStatus::CompOn, "CompOn"},
    {8, 2, &MeterStatus::CalOn, "CalOn"},
    {8, 3, &MeterStatus::ZeroOn, "ZeroOn"},
    {8, 4, &MeterStatus::UpperAvgOn, "UpperAvgOn"},
    {8, 5, &MeterStatus::HoldOn, "HoldOn"},
    {8, 6, &MeterStatus::RefOn, "RefOn"},
    {8, 7, &MeterStatus::UpperPercentOn, "UpperPercentOn"},
    {9, 0, &MeterStatus::FcHourOn, "FcHourOn"},
    {9, 1, &MeterStatus::LxHourOn, "LxHourOn"},
    {9, 2, &MeterStatus::CdOn, "CdOn"},
    {9, 3, &MeterStatus::FcOn, "FcOn"},
    {9, 4, &MeterStatus::LxOn, "LxOn"},
    {9, 5, &MeterStatus::LightOn, "LightOn"},
    {9, 6, &MeterStatus::SmallPlusOn, "SmallPlusOn"},
    {9, 7, &MeterStatus::StrayOn, "StrayOn"},
    {10, 0, &MeterStatus::CommaOn, "CommaOn"},
    {10, 1, &MeterStatus::BatteryOn, "BatteryOn"},
    {10, 2, &MeterStatus::BigPlusOn, "BigPlusOn"},
    {10, 3, &MeterStatus::NegativeOn, "NegativeOn"},
    {10, 4, &MeterStatus::AutoRangeOn, "AutoRangeOn"},
    {10, 5, &MeterStatus::CycleOn, "CycleOn"},
    {10, 6, &MeterStatus::ReadOn, "ReadOn"},
    {10, 7, &MeterStatus::LowerAvgOn, "LowerAvgOn"},
    {11, 0, &MeterStatus::NoOn, "NoOn"},
    {11, 1, &MeterStatus::StartOn, "StartOn"},
    {11, 2, &MeterStatus::IntvOn, "IntvOn"},
    {11, 3, &MeterStatus::StopOn, "StopOn"},
    {11, 4, &MeterStatus::DayHourOn, "DayHourOn"},
    {11, 5, &MeterStatus::MinSecOn, "MinSecOn"},
    {11, 6, &MeterStatus::TimeHoldOn, "TimeHoldOn"},
    {11, 7, &MeterStatus::LowerPercentOn, "LowerPercentOn"},
    {12, 0, &MeterStatus::FtOn, "FtOn"},
    {12, 1, &MeterStatus::MetreOn, "MetreOn"},
    {12, 2, &MeterStatus::MainPoint1On, "MainPoint1On"},
    {12, 3, &MeterStatus::MainPoint2On, "MainPoint2On"},
    {12, 4, &MeterStatus::MainPoint3On, "MainPoint3On"},
    {12, 5, &MeterStatus::SubPoint1On, "SubPoint1On"},
    {12, 6, &MeterStatus::SubPoint2On, "SubPoint2On"},
    {12, 7, &MeterStatus::SubPoint3On, "SubPoint3On"},
    {13, 0, &MeterStatus::DateDotOn, "DateDotOn"},
    {13, 1, &MeterStatus::TimeDotOn, "TimeDotOn"},
    {13, 2, &MeterStatus::MemOn, "MemOn"},
    {13, 3, &MeterStatus::SetUpOn, "SetUpOn"},
    {13, 5, &MeterStatus::ClearOn, "ClearOn"},
    {13, 6, &MeterStatus::ScfOn, "ScfOn"},
}};

namespace {

constexpr unsigned char kOverloadByte = 0xFF;

unsigned char frameByte(const QByteArray& frame, int position) {
    return static_cast<unsigned char>(frame.at(position - 1));
}

QChar nibbleChar(unsigned nibble) {
    return QLatin1Char("0123456789ABCDEF"[nibble & 0xF]);
}

// Memory and main positions show nothing for nibble 0xA.
QChar blankableChar(unsigned nibble) {
    return (nibble & 0xF) == 0xA ? QChar() : nibbleChar(nibble);
}

// The digits are read up to the first letter; letters B..F do not continue a number.
float leadingDigitsValue(const QString& digits) {
    double value = 0.0;
    for (QChar c : digits) {
        if (!c.isDigit())
            break;
        value = value * 10.0 + c.digitValue();
    }
    return static_cast<float>(value);
}

} // namespace

void DecodeStatusBytes(const QByteArray& frame, DisplayModel& model) {
    MeterStatus& s = model.status;
    for (const StatusBit& b : kStatusBits)
        s.*(b.flag) = (frameByte(frame, b.frameByte) >> b.bit) & 1u;

    model.UnitText = s.FcOn ? QStringLiteral("Fc") : s.LxOn ? QStringLiteral("Lx") : QString();

    if (s.CommaOn) {
        model.MainScale = 1.0f;
        model.MainDecimals = 0;
    } else if (s.MainPoint1On) {
        model.MainScale = 0.001f;
        model.MainDecimals = 3;
    } else if (s.MainPoint2On) {
        model.MainScale = 0.01f;
        model.MainDecimals = 2;
    } else if (s.MainPoint3On) {
        model.MainScale = 0.1f;
        model.MainDecimals = 1;
    } else {
        model.MainScale = 1.0f;
        model.MainDecimals = 0;
    }
}

DisplayDigits DecodeDisplayDigits(const QByteArray& frame, DisplayModel& model) {
    DisplayDigits d;
    const unsigned char memory = frameByte(frame, 2);
    d.memory = {blankableChar(memory >> 4), blankableChar(memory)};

    const bool overload = frameByte(frame, 4) == kOverloadByte;
    for (int pair = 0; pair < 3; ++pair) {
        const unsigned char b = frameByte(frame, 3 + pair);
        d.main[2 * pair] = blankableChar(b >> 4);
        d.main[2 * pair + 1] = blankableChar(b);
    }
    if (overload) {
        d.main[2] = QLatin1Char('O');
        d.main[3] = QLatin1Char('L');
    }

    QString digits;
    for (QChar c : d.main)
        if (!c.isNull())
            digits.append(c);
    model.MainDigits = digits;

    if (overload) {
        model.MainValue = overloadValue(model.UnitText);
        model.MainText = QStringLiteral("OL");
    } else {
        model.MainValue = leadingDigitsValue(digits) * model.MainScale;
        const int decimals = model.MainDecimals;
        if (digits.size() < decimals) {
            d.mainTextFormed = false;
        } else if (decimals > 0) {
            model.MainText =
                digits.left(digits.size() - decimals) + QLatin1Char('.') + digits.right(decimals);
        } else {
            model.MainText = digits;
        }
    }

    const unsigned char t1 = frameByte(frame, 6);
    const unsigned char t2 = frameByte(frame, 7);
    d.time = {nibbleChar(t1 >> 4), nibbleChar(t1), nibbleChar(t2 >> 4), nibbleChar(t2)};
    return d;
}

} // namespace meterlink
