#include "link/port_choice.h"

#include <QFileInfo>

namespace meterlink {

QStringList fixedPortEntries() {
    QStringList entries;
    for (int n = 1; n <= 8; ++n)
        entries << QStringLiteral("COM%1").arg(n);
    return entries;
}

qint16 portNumberForChoice(const QString& text, qint16 current) {
    if (text == QLatin1String("Auto"))
        return 1;
    const int index = fixedPortEntries().indexOf(text);
    return index >= 0 ? qint16(index + 1) : current;
}

PortTarget portTargetForChoice(const QString& text, qint16 portNumber) {
    if (text.startsWith(QLatin1Char('/')))
        return {text, QFileInfo(text).fileName()};
#ifdef Q_OS_WIN
    const QString device = QStringLiteral("COM%1").arg(portNumber);
#else
    const QString device = QStringLiteral("/dev/ttyS%1").arg(portNumber - 1);
#endif
    return {device, QStringLiteral("COM%1").arg(portNumber)};
}

} // namespace meterlink
