#pragma once

#include "link/link_state.h"

#include <QDialog>

class QComboBox;
class QPushButton;

namespace meterlink {

// "COM Port": the start-up window where the user names the meter's port. A dialog, so that
// Enter is its OK, as in every window with an OK button.
class Port : public QDialog {
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
