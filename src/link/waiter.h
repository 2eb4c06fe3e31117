#pragma once

#include <QElapsedTimer>
#include <QMetaMethod>
#include <QObject>

namespace meterlink {

// Timed waits that keep the user interface alive, and the monotonic clock they run on.
// Exchanges take a Waiter so tests can run them in virtual time.
class Waiter {
public:
    virtual ~Waiter() = default;
    // Returns true when the time has passed, false when the program is shutting down
    // (the wait then ends at once and every exchange gives up).
    virtual bool WaitSeconds(double seconds) = 0;
    // Like WaitSeconds, but ends as soon as sender emits signal (a port's readyRead). A waiter
    // that runs no event loop sees no signal and waits the whole time.
    virtual bool WaitSecondsOrSignal(double seconds, const QObject* sender,
                                     const QMetaMethod& signal) {
        Q_UNUSED(sender);
        Q_UNUSED(signal);
        return WaitSeconds(seconds);
    }
    // Seconds on a monotonic clock.
    virtual double now() const = 0;
    virtual bool shuttingDown() const = 0;
};

// Waits in a local event loop until a monotonic deadline: other handlers run, no core spins.
class EventLoopWaiter : public QObject, public Waiter {
    Q_OBJECT
public:
    EventLoopWaiter();
    bool WaitSeconds(double seconds) override;
    bool WaitSecondsOrSignal(double seconds, const QObject* sender,
                             const QMetaMethod& signal) override;
    double now() const override;
    bool shuttingDown() const override { return shutdown_; }
    // Breaks every wait in progress and makes all later ones return false at once.
    void requestShutdown();

Q_SIGNALS:
    void shutdownRequested();

private:
    QElapsedTimer clock_;
    bool shutdown_ = false;
};

} // namespace meterlink
