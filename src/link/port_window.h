#pragma once

#include "link/link_state.h"

#include <QWidget>

class QComboBox;
class QPushButton;

namespace meterlink {

// "COM Port": the start-up window where the user names the meter's port.
class Port : public QWidget {
    Q_OBJECT
public:
    // systemDevices: the serial devices the system reports, listed below "COM1".."COM8".
    Port(LinkState& link, const QStringList& systemDevices, QWidget* parent = nullptr);

    // OK: sets PortNumber and the device to open, then reports the choice. Whoever receives
    // it closes the window once the main window is up.
    void CmdOKClick();

Q_SIGNALS:
    void portChosen(const QString& choice);

private:
    LinkState& link_;
    QComboBox* TxtCOM;
    QPushButton* CmdOK;
};

// The serial devices the system reports, by path (e.g. /dev/ttyUSB0).
QStringList systemSerialDevices();

} // namespace meterlink
