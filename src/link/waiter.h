#pragma once

#include <QElapsedTimer>
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
