#pragma once

#include "link/display_stream.h"

#include <QDialog>

#include <optional>

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

// What the SCF window uses of the main window: its polling, paused while the window is open, and
// its recording timer, stopped meanwhile.
struct MainWindowParts {
    QWidget* window;
    meterlink::DisplayStream& stream;
    QTimer& Timer2;
};

// "Form1": the meter's SCF factor and count, written back with "Set", or the meter put back to
// its initial SCF. Once the setting is read, polling watches the meter's status only (every
// 250 ms, no poll), and the window closes when the meter shows SET UP or CLEAR, which the main
// window then shows. Closing it, whichever way, resumes polling and recording.
class SCF_frm : public QDialog {
    Q_OBJECT
public:
    SCF_frm(shared::Session& session, meterlink::MeterLink& link, platform::Prompts& prompts,
            MainWindowParts panel);

    // The toolbar's "scf": the window, modal and centred on the main window, loads once it
    // shows; returns when it has closed.
    static void showModal(shared::Session& session, meterlink::MeterLink& link,
                          platform::Prompts& prompts, MainWindowParts panel);

    // Pauses polling and recording and reads the meter's setting; the watch starts only once
    // it has been read.
    void Load();
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
    std::optional<meterlink::DisplayStream::Pause> pause_;
    QLabel* Label1;
    QLineEdit* SCFRange_Edit;
    QLabel* Label2;
    QComboBox* SCFCNT_Cbx;
    QPushButton* SetSCF_btn;
    QPushButton* SCF_init_btn;
    QPushButton* Cancel_btn;
};

} // namespace calibration
