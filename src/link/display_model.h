#pragma once

#include "text/leading_value.h"

#include <QString>

#include <array>

namespace meterlink {

// One flag per annunciator of the meter's LCD, all off until the first frame arrives.
struct MeterStatus {
    bool RelOn = false;
    bool CompOn = false;
    bool CalOn = false;
    bool ZeroOn = false;
    bool UpperAvgOn = false;
    bool HoldOn = false;
    bool RefOn = false;
    bool UpperPercentOn = false;
    bool FcHourOn = false;
    bool LxHourOn = false;
    bool CdOn = false;
    bool FcOn = false;
    bool LxOn = false;
    bool LightOn = false;
    bool SmallPlusOn = false;
    bool StrayOn = false;
    bool CommaOn = false;
    bool BatteryOn = false;
    bool BigPlusOn = false;
    bool NegativeOn = false;
    bool AutoRangeOn = false;
    bool CycleOn = false;
    bool ReadOn = false;
    bool LowerAvgOn = false;
    bool NoOn = false;
    bool StartOn = false;
    bool IntvOn = false;
    bool StopOn = false;
    bool DayHourOn = false;
    bool MinSecOn = false;
    bool TimeHoldOn = false;
    bool LowerPercentOn = false;
    bool FtOn = false;
    bool MetreOn = false;
    bool MainPoint1On = false;
    bool MainPoint2On = false;
    bool MainPoint3On = false;
    bool SubPoint1On = false;
    bool SubPoint2On = false;
    bool SubPoint3On = false;
    bool DateDotOn = false;
    bool TimeDotOn = false;
    bool MemOn = false;
    bool SetUpOn = false;
    bool ClearOn = false;
    bool ScfOn = false;

    bool operator==(const MeterStatus&) const = default;
};

// The meter shows a plain illuminance reading: none of relative, comparator, reference,
// percent, cd, lux-hour, foot-candle-hour or set-up.
bool InNormalMode(const MeterStatus& s);

// Where each flag sits in the frame: status byte (1-based frame position 8..13) and bit.
struct StatusBit {
    int frameByte;
    int bit;
    bool MeterStatus::*flag;
    const char* name;
};
extern const std::array<StatusBit, 46> kStatusBits;

// The value an over-range reading ("OL") takes: the top of the lux scale, or of the
// foot-candle scale.
inline float overloadValue(const QString& unit) {
    return unit == QLatin1String("Lx") ? float(textrules::kOverRangeValue) : 100000.0f;
}

// The meter's display as the rest of the program reads it.
struct DisplayModel {
    MeterStatus status;
    QString UnitText;       // "Lx", "Fc" or empty
    float MainScale = 0.0f; // digits-to-value factor
    qint16 MainDecimals = 0;
    QString MainDigits; // main digit characters, blanks left out
    QString MainText;   // reading as displayed, or "OL"
    float MainValue = 0.0f;
};

} // namespace meterlink
