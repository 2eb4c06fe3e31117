#pragma once

#include <QString>
#include <QStringList>

namespace meterlink {

inline const QString kSimulatedMeterEntry = QStringLiteral("Simulated meter");

// The port window's fixed entries, "COM1" to "COM8".
QStringList fixedPortEntries();

// PortNumber after OK: "Auto" is port 1, "COM1".."COM8" their number, anything else keeps it.
qint16 portNumberForChoice(const QString& text, qint16 current);

// The device the port opens for a choice and what the link label shows for it: a typed or
// listed device path opens that device and is named by its short name; otherwise "COMn"
// opens the n-th system serial port (/dev/ttyS<n-1>).
struct PortTarget {
    QString devicePath;
    QString linkName;
};
PortTarget portTargetForChoice(const QString& text, qint16 portNumber);

} // namespace meterlink
