#include "link/waiter.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <cmath>

namespace meterlink {

namespace {

// Set once a wait is over: its time has passed, its signal came or the program is ending.
class WaitEnd : public QObject {
    Q_OBJECT
public:
    bool finished = false;
public Q_SLOTS:
    void finish() { finished = true; }
};

} // namespace

EventLoopWaiter::EventLoopWaiter() {
    clock_.start();
}

double EventLoopWaiter::now() const {
    return double(clock_.nsecsElapsed()) / 1e9;
}

bool EventLoopWaiter::WaitSeconds(double seconds) {
    return WaitSecondsOrSignal(seconds, nullptr, QMetaMethod());
}

bool EventLoopWaiter::WaitSecondsOrSignal(double seconds, const QObject* sender,
                                          const QMetaMethod& signal) {
    if (shutdown_)
        return false;
    // The wait ends on a flag the handlers set, not by interrupting a nested event loop: an
    // interrupt costs the program one more pass of the event loop after every wait, and the
    // panel waits a dozen times a second.
    WaitEnd end;
    QTimer timer;
    timer.setTimerType(Qt::PreciseTimer);
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, &end, &WaitEnd::finish);
    QObject::connect(this, &EventLoopWaiter::shutdownRequested, &end, &WaitEnd::finish);
    if (sender && signal.isValid()) {
        const QMetaObject& meta = WaitEnd::staticMetaObject;
        QObject::connect(sender, signal, &end, meta.method(meta.indexOfSlot("finish()")));
    }
    timer.start(std::max(0, int(std::lround(seconds * 1000.0))));
    while (!end.finished)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return !shutdown_;
}

void EventLoopWaiter::requestShutdown() {
    shutdown_ = true;
    Q_EMIT shutdownRequested();
}

} // namespace meterlink

#include "waiter.moc"
