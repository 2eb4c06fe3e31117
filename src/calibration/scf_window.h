#pragma once

#include <QDialog>

#include <functional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

namespace meterlink {
class MeterLink;
}
namespace platform {
class Prompts;
}
namespace shared {
struct Session;
}

namespace calibration {

inline const QString kScfCountUnchosenText =
    QStringLiteral("Choose the Cnt entry (L0 ... U9) first; nothing was sent.");

// What the SCF window uses of the main window: its polling and recording timers, stopped while
// the window is open, and its set-up banner.
struct MainWindowParts {
    QWidget* window;
    QTimer& Timer1;
    QTimer& Timer2;
    std::function<void(const QString& caption)> showSetUpBanner;
};

// "Form1": the meter's SCF factor and count, written back with "Set", or the meter put back to
// its initial SCF. While it is open the window reads the display stream itself and closes when
// the meter shows SET UP or CLEAR, which the main window then shows. Closing it, whichever way,
// starts the main window's timers again.
class SCF_frm : public QDialog {
    Q_OBJECT
public:
    SCF_frm(shared::Session& session, meterlink::MeterLink& link, platform::Prompts& prompts,
            MainWindowParts panel);

    // The toolbar's "scf": the window, modal and centred on the main window, loads once it
    // shows; returns when it has closed.
    static void showModal(shared::Session& session, meterlink::MeterLink& link,
                          platform::Prompts& prompts, MainWindowParts panel);

    // Stops the main window's timers and reads the meter's setting; the watch starts only once
    // it has been read.
    void Load();
    // Every 250 ms: one display frame; SET UP or CLEAR close the window and show the banner.
    void Timer1Tick();
    // Checks the factor and writes it with the count ("c"); the window stays open.
    void SetSCF_btnClick();
    // "e", then closes.
    void SCF_init_btnClick();

private:
    shared::Session& session_;
    meterlink::MeterLink& link_;
    platform::Prompts& prompts_;
    MainWindowParts panel_;
    // From a successful load until the window closes.
    bool ScfWindowActive = false;
    QLabel* Label1;
    QLineEdit* SCFRange_Edit;
    QLabel* Label2;
    QComboBox* SCFCNT_Cbx;
    QPushButton* SetSCF_btn;
    QPushButton* SCF_init_btn;
    QPushButton* Cancel_btn;
    QTimer* Timer1;
};

} // namespace calibration
