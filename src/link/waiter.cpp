#include "link/waiter.h"

#include <QEventLoop>
#include <QTimer>

#include <cmath>

namespace meterlink {

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
    QEventLoop loop;
    QTimer timer;
    timer.setTimerType(Qt::PreciseTimer);
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    QObject::connect(this, &EventLoopWaiter::shutdownRequested, &loop, &QEventLoop::quit);
    if (sender && signal.isValid()) {
        const QMetaObject& meta = QEventLoop::staticMetaObject;
        QObject::connect(sender, signal, &loop, meta.method(meta.indexOfSlot("quit()")));
    }
    timer.start(std::max(0, int(std::lround(seconds * 1000.0))));
    loop.exec();
    return !shutdown_;
}

void EventLoopWaiter::requestShutdown() {
    shutdown_ = true;
    Q_EMIT shutdownRequested();
}

} // namespace meterlink
