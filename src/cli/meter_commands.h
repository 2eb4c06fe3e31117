#pragma once

#include "cli/cli_options.h"
#include "cli/reading.h"
#include "link/link_state.h"
#include "link/meter_link.h"
#include "link/qt_serial_port.h"
#include "link/waiter.h"

#include <QTimer>

class QTextStream;

namespace cli {

// The serial link to the meter, and the watch that gives up on a meter that stays silent.
class MeterSession : public QObject {
    Q_OBJECT
public:
    // timeout: seconds without an answer before the meter counts as lost; 0 waits for good.
    explicit MeterSession(double timeout);

    bool open(const QString& device, QString* why);
    meterlink::MeterLink& link() { return link_; }
    // A poll that also tells the watch the meter is there.
    bool poll();
    // Ctrl-C or SIGTERM: every wait ends and the command finishes what it must.
    void interrupt() { waiter_.requestShutdown(); }
    // What a command that was cut short returns: meter lost, or done when the user stopped it.
    ExitCode endCode() const { return lost_ ? kMeterLost : kDone; }

private:
    meterlink::QtSerialPort port_;
    meterlink::EventLoopWaiter waiter_;
    meterlink::LinkState state_;
    meterlink::MeterLink link_{port_, waiter_, state_};
    QTimer watch_;
    bool lost_ = false;
};

// Reads the display stream as the program's panel does: a poll and "M" every 15th frame, a
// frame at a time in between. Frames that show a menu (SET UP, CLEAR) carry no reading.
// The meter sends a frame every 100 ms, and a frame is read some 20 to 40 ms after it began:
// the next begins 60 ms or more later. The port is left alone for 40 ms of that rather than
// looked at every 20 ms, which is most of what a long-running reader costs.
inline constexpr double kQuietAfterFrame = 0.04;
class DisplayReader {
public:
    explicit DisplayReader(MeterSession& session) : session_(session) {}
    // The next frame with a reading decoded into display(); false when the command must end.
    bool next();
    const meterlink::DisplayModel& display() const { return display_; }

private:
    MeterSession& session_;
    meterlink::DisplayModel display_;
    int frames_ = 0;
    bool frameJustRead_ = false;
};

// The display's new readings, each once (see repeatsReading); nothing when the command must end.
class ReadingStream {
public:
    ReadingStream(MeterSession& session, bool annunciatorsCount)
        : reader_(session), annunciatorsCount_(annunciatorsCount) {}
    std::optional<Reading> next();

private:
    DisplayReader reader_;
    bool annunciatorsCount_;
    std::optional<Reading> last_;
};

// The device a --port value opens: COMn as the program opens it, or a device path.
QString deviceForPort(const QString& port);

// Standard output gets what the command reports; standard error its progress and failures.
int runPorts(const Invocation& inv, QTextStream& out);
int runRead(MeterSession& session, const Invocation& inv, QTextStream& out);
int runRecord(MeterSession& session, const Invocation& inv, QTextStream& err);
// Writes one file a set and names them on out; the progress bar goes to err.
int runDownload(MeterSession& session, const Invocation& inv, QTextStream& out, QTextStream& err);
int runClock(MeterSession& session, const Invocation& inv, QTextStream& out);
int runErase(MeterSession& session);

} // namespace cli
