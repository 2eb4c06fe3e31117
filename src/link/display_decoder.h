#pragma once

#include "link/display_model.h"

#include <QByteArray>
#include <QChar>

#include <array>

namespace meterlink {

inline constexpr int kDisplayFrameLength = 14;

// Characters shown in the digit positions of one frame; a null QChar is a blank position.
struct DisplayDigits {
    std::array<QChar, 2> memory;
    std::array<QChar, 6> main;
    std::array<QChar, 4> time;
    // False when the main digits are fewer than the decimals: no MainText could be formed,
    // so MainText keeps its previous value and the caller stops using this frame.
    bool mainTextFormed = true;
};

// Sets every MeterStatus flag from frame bytes 8..13, then UnitText, MainScale, MainDecimals.
// The frame must hold at least 14 bytes.
void DecodeStatusBytes(const QByteArray& frame, DisplayModel& model);

// Needs the model as DecodeStatusBytes left it for the same frame.
DisplayDigits DecodeDisplayDigits(const QByteArray& frame, DisplayModel& model);

} // namespace meterlink
