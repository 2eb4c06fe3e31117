#pragma once

#include "commands/toolbar_dispatch.h"
#include "link/display_stream.h"
#include "link/meter_link.h"
#include "shared/session.h"

#include <QMainWindow>
#include <QPointer>

#include <functional>

class QAction;
class QLabel;
class QTimer;
class QToolBar;

namespace commands {
class Btn;
class Comparator;
} // namespace commands
namespace platform {
class Prompts;
}
namespace survey {
class Survey;
}

namespace panel {

class LcdView;

inline const QString kPanelCaption = QStringLiteral("Panel  V10.04");
inline const QString kPanelCaptionWithBuild = QStringLiteral("Panel  V10.04   170508");
inline const QString kNoDeviceText = QStringLiteral("No device found, try again!");

// The main window: a live copy of the meter's display, the toolbar, and the link and
// recording state. Closing it ends the program.
class Panel : public QMainWindow {
    Q_OBJECT
public:
    Panel(shared::Session& session, meterlink::MeterLink& link, platform::Prompts& prompts,
          QWidget* parent = nullptr);
    ~Panel() override;

    // Opens the port and starts polling. When the port cannot be opened, says so and returns
    // false; the caller then ends the program.
    bool Load();

    commands::ToolbarDispatcher& toolbar() { return dispatcher_; }
    // The polling: its tick `Timer1` reads a display frame, which the panel shows.
    meterlink::DisplayStream& stream() { return stream_; }
    QTimer& Timer2() { return *timer2_; }

    // PC recording: the "Save" button's two actions, and the once-a-second tick that samples the
    // displayed reading into the data file and the live list.
    void StartFileRecording();
    void StopFileRecording();
    void Timer2Tick();
    // The live list the tick feeds: append one "number TAB time TAB reading" row (opening the
    // list window if needed), and unload the window when the list must end.
    struct ListSink {
        std::function<void(const QString& row)> append;
        std::function<void()> unload;
    } listSink;

Q_SIGNALS:
    // The user closed the window: the program must end.
    void closing();
    // A tick has brought the display copy up to date with a new frame.
    void displayUpdated();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildToolbar();
    // The banner over the digits while the meter shows "SET UP" or "CLEAR".
    void showSetUpBanner(const QString& caption);
    void showDigits(const meterlink::DisplayDigits& digits);
    void applyUnitRule();
    void setSaveLook(bool recording);
    void reportFailedRecording(qint32 written, const QString& why);
    void LblCOMClick();
    void showControlPanel();
    void showSurvey();

    shared::Session& session_;
    meterlink::MeterLink& link_;
    platform::Prompts& prompts_;
    meterlink::DisplayStream stream_;
    QTimer* timer2_;
    commands::ToolbarDispatcher dispatcher_;
    LcdView* lcd_;
    QToolBar* Toolbar1_;
    QLabel* LblCOM_;
    QLabel* LblRec_;
    QLabel* LblCount_;
    QLabel* LblFileName_;
    QAction* saveAction_ = nullptr;
    // The one control panel, brought forward when asked for again.
    QPointer<commands::Btn> controlPanel_;
    // The one comparator window; each "Comp" replaces it with a fresh one.
    QPointer<commands::Comparator> comparator_;
    // The one lighting survey, brought forward when asked for again.
    QPointer<survey::Survey> survey_;
};

} // namespace panel
