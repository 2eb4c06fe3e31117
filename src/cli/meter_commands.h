#pragma once

#include "cli/cli_options.h"
#include "cli/reading.h"
#include "link/display_stream.h"
#include "link/link_state.h"
#include "link/meter_link.h"
#include "link/qt_serial_port.h"
#include "link/waiter.h"

#include <QTimer>

#include <functional>
#include <optional>

class QTextStream;

namespace cli {

// The serial link to the meter, its display stream, and the watch that gives up on a meter that
// stays silent.
class MeterSession : public QObject {
    Q_OBJECT
public:
    // timeout: seconds without an answer before the meter counts as lost; 0 waits for good.
    explicit MeterSession(double timeout);

    bool open(const QString& device, QString* why);
    meterlink::MeterLink& link() { return link_; }
    const meterlink::DisplayModel& display() const { return display_; }
    // A poll that also tells the watch the meter is there.
    bool poll();
    // Reads the display stream, frame after frame, calling onReading after each frame that
    // carries a reading, until finish() or until the command must end (Ctrl-C, SIGTERM, a lost
    // meter). Returns finish's code, or endCode().
    int readStream(const std::function<void()>& onReading);
    void finish(int code);
    // Ctrl-C or SIGTERM: every wait ends and the command finishes what it must.
    void interrupt() { waiter_.requestShutdown(); }
    // What a command that was cut short returns: meter lost, or done when the user stopped it.
    ExitCode endCode() const { return lost_ ? kMeterLost : kDone; }

Q_SIGNALS:
    void finishing();

private:
    meterlink::QtSerialPort port_;
    meterlink::EventLoopWaiter waiter_;
    meterlink::LinkState state_;
    meterlink::MeterLink link_{port_, waiter_, state_};
    meterlink::DisplayModel display_;
    meterlink::DisplayStream stream_{link_, display_, this,
                                     meterlink::DisplayStream::Cadence::EveryFrame};
    QTimer watch_;
    bool lost_ = false;
    std::optional<int> finished_;
};

// The display streams ten frames a second, most of them repeating the last: the new readings,
// each once (see repeatsReading), stamped with the time they were taken.
class NewReadings {
public:
    explicit NewReadings(bool annunciatorsCount) : annunciatorsCount_(annunciatorsCount) {}
    std::optional<Reading> take(const meterlink::DisplayModel& display);

private:
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
