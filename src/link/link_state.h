#pragma once

#include <QString>

namespace meterlink {

// What the link keeps for the whole run.
struct LinkState {
    qint16 PortNumber = 1;  // n of "COMn"
    float PollValue = 0.0f; // 24-bit value of the last valid poll reply, held exactly
    QString devicePath;     // the device the port opens, e.g. /dev/ttyS0 or /dev/ttyUSB0
    QString linkName;       // what the link label shows while the meter answers: "COM3", "ttyUSB0"
    bool LinkLost = false;  // "No COM": from the start of a reconnection until the meter answers
};

} // namespace meterlink
