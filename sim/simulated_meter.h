#pragma once

#include "sim/pty_meter.h"

#include <QObject>

#include <chrono>
#include <functional>
#include <memory>

class QThread;

namespace sim {

// A simulated meter on a thread of its own, reached through a pseudo-terminal whose slave is
// linked at linkPath. Apart from start() and stop(), which belong to the thread that owns this
// object, every public method may be called from any thread, so a test or benchmark can open the
// link with a real serial port on its main thread and drive the meter from there. Calls that
// change the line (faults, keys) have taken effect when they return.
class SimulatedMeter : public QObject {
    Q_OBJECT

public:
    using Clock = std::chrono::steady_clock;
    using FrameObserver = PtyMeter::FrameObserver;

    explicit SimulatedMeter(QString linkPath, QObject* parent = nullptr);
    ~SimulatedMeter() override;

    // Starts the thread and returns once the link exists, or with the reason it could not.
    bool start(QString* error = nullptr);
    // Removes the link and ends the thread.
    void stop();
    bool isRunning() const { return pty_ != nullptr; }

    QString linkPath() const { return linkPath_; }
    // The pseudo-terminal the link points at now; empty while unplugged.
    QString devicePath() const;
    bool isPlugged() const;

    // As if the meter's key for this command letter were pressed (answers included).
    void pressKey(char letter);

    // Faults. Silence: no output and commands ignored. Garbage: random bytes injected into the
    // output. Cut: the next frames (replies and display frames alike) go out truncated. Unplug: the
    // link and the pseudo-terminal disappear and come back, at the same path, after the duration.
    void silence(std::chrono::milliseconds duration);
    void sendGarbage(int count);
    void cutFrames(int count);
    void unplug(std::chrono::milliseconds duration);

    void setFixedReading(double lux);
    void clearFixedReading();
    // Where the meter stands in the simulated room, in metres (see roomLight).
    void setSurveyPosition(double x, double y);
    void setFlag(Flag flag, bool on);
    bool flag(Flag flag) const;
    void setPowerOffDuration(std::chrono::milliseconds duration);
    quint32 loggerEndAddress() const;
    int commandCount(char letter) const;
    QMap<char, int> commandCounts() const;
    void resetCommandCounts();

    // Runs f(MeterModel&) under the model's lock, for anything the calls above do not cover.
    template <class F> decltype(auto) withModel(F&& f) { return model_->with(std::forward<F>(f)); }

    // Runs on the meter's thread as each reply or display frame has been written out; keep it
    // short. The frameWritten signal carries the same, queued to this object's thread.
    void setFrameObserver(FrameObserver observer);

signals:
    // All three arrive queued on this object's thread.
    void frameWritten(const QByteArray& frame, sim::FrameKind kind,
                      std::chrono::steady_clock::time_point at);
    // The device is back after an unplug (start() itself does not signal).
    void pluggedIn(const QString& devicePath);
    void unplugged();

private:
    void onMeterThread(const std::function<void()>& f) const;

    QString linkPath_;
    std::shared_ptr<SharedModel> model_;
    FrameObserver observer_;
    QThread* thread_ = nullptr;
    PtyMeter* pty_ = nullptr;
};

} // namespace sim
