#pragma once

#include <QDialog>

#include <optional>

class QLineEdit;
class QPushButton;

namespace meterlink {
class DisplayStream;
class MeterLink;
} // namespace meterlink
namespace platform {
class Prompts;
}

namespace calibration {

// "Calibration": shows the meter's calibration factor, writes a new one (0.800 to 1.500) and
// closes, or puts the meter back to its initial factor. Polling runs on while the window is open;
// each button pauses it for its exchange.
class Calibrationfrm : public QDialog {
    Q_OBJECT
public:
    Calibrationfrm(meterlink::MeterLink& link, platform::Prompts& prompts,
                   meterlink::DisplayStream& stream, QWidget* panel);

    // The toolbar's "cal": the window, modal and centred on the main window, loads once it shows;
    // returns when it has closed.
    static void showModal(meterlink::MeterLink& link, platform::Prompts& prompts,
                          meterlink::DisplayStream& stream, QWidget* panel);

    // Reads the meter's factor into TxtCalValue.
    void Load();
    // "j", then the restored factor read back and shown.
    void BtnInitialClick();
    // Checks the entry and writes it with "i", then closes; an entry out of range only says so.
    void BtnSetClick();

private:
    void showFactor(const std::optional<int>& code);

    meterlink::MeterLink& link_;
    platform::Prompts& prompts_;
    meterlink::DisplayStream& stream_;
    QLineEdit* TxtCalValue;
    QPushButton* BtnSet;
    QPushButton* BtnInitial;
};

} // namespace calibration
