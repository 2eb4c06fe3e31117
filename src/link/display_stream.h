#pragma once

#include "link/display_decoder.h"
#include "link/display_model.h"

#include <QObject>
#include <QString>

class QTimer;

namespace meterlink {

class MeterLink;

inline constexpr int kPollingIntervalMs = 250;
// Reading every frame, the port is left alone this long after one: the next begins some 90 ms
// after the last ended, and looking sooner only costs wake-ups.
inline constexpr int kQuietAfterFrameMs = 40;

// The one reader of the meter's display stream, and the only writer of the display model.
//
// Each tick of its timer `Timer1` reads one display frame ("A" and "M" first on every
// fifteenth) and decodes it; what came is announced to the sinks: the panel's display, the
// recording, the command line's printers and publishers. A tick is one exchange: it is skipped
// while another exchange talks to the meter. An exchange or window that needs polling stopped
// holds a Pause for as long as it does.
class DisplayStream : public QObject {
    Q_OBJECT
public:
    enum class Cadence {
        Panel,     // a tick every 250 ms, as the panel reads the meter
        EveryFrame // each frame as it comes, for the command line
    };
    // The timer is a child of timerOwner (the panel), named `Timer1`.
    DisplayStream(MeterLink& link, DisplayModel& model, QObject* timerOwner, Cadence cadence);

    // Polling runs from start() until stop(), while no Pause holds it.
    void start();
    void stop();
    bool running() const;
    // Whether a Pause holds polling (a watching one included).
    bool paused() const { return pauses_ > 0; }
    // One tick: what the timer runs.
    void Timer1Tick();
    // The next tick polls first (after another exchange has used the port at length).
    void pollOnNextTick() { PollCounter = 0; }
    const DisplayModel& model() const { return model_; }

    // Frames read since the last poll, 0..14; a tick at 0 polls first. Advanced only by a
    // frame whose reading could be formed.
    int PollCounter = 0;

    enum class Watching {
        Nothing,
        // While polling is paused, each tick still reads a frame (no poll, no "M") and decodes
        // its status only, to announce the meter's SET UP or CLEAR.
        SetUpBanner,
    };
    // Polling stopped for the life of the object; pauses nest.
    class Pause {
    public:
        explicit Pause(DisplayStream& stream, Watching watching = Watching::Nothing);
        ~Pause();
        Pause(const Pause&) = delete;
        Pause& operator=(const Pause&) = delete;

    private:
        DisplayStream& stream_;
        Watching watching_;
    };

Q_SIGNALS:
    // The meter shows its set-up menu or is clearing: "SET UP" or "CLEAR". The frame's digits
    // and PollCounter are left alone.
    void bannerShown(const QString& caption);
    // A frame past the banner test, its digits decoded into the model. When no reading could
    // be formed (fewer digits than decimals) only the memory and main digits count.
    void frameDecoded(const meterlink::DisplayDigits& digits);
    // A frame that carries a reading: the model is up to date and PollCounter advanced.
    void readingDecoded();

private:
    void readFrame();
    void watchStatus();
    // Whether this frame is a banner; if so, it is announced.
    bool announcedBanner();
    void updateTimer();

    MeterLink& link_;
    DisplayModel& model_;
    QTimer* timer_;
    Cadence cadence_;
    bool started_ = false;
    int pauses_ = 0;
    int watches_ = 0;
};

} // namespace meterlink
