#include "sim/simulated_meter.h"

#include <QThread>

namespace sim {

SimulatedMeter::SimulatedMeter(QString linkPath, QObject* parent)
    : QObject(parent), linkPath_(std::move(linkPath)), model_(std::make_shared<SharedModel>()) {}

SimulatedMeter::~SimulatedMeter() {
    stop();
}

bool SimulatedMeter::start(QString* error) {
    if (pty_)
        return true;
    thread_ = new QThread;
    thread_->setObjectName(QStringLiteral("simulated meter"));
    pty_ = new PtyMeter(linkPath_, model_);
    pty_->setFrameObserver(observer_);
    pty_->moveToThread(thread_);
    connect(pty_, &PtyMeter::frameWritten, this, &SimulatedMeter::frameWritten);
    connect(pty_, &PtyMeter::unplugged, this, &SimulatedMeter::unplugged);
    thread_->start();

    bool ok = false;
    QString message;
    onMeterThread([&] {
        ok = pty_->open(&message);
        // Connected only now: the first plug-in is start() returning, not a late signal.
        connect(pty_, &PtyMeter::pluggedIn, this, &SimulatedMeter::pluggedIn);
    });
    if (!ok) {
        stop();
        if (error)
            *error = message;
    }
    return ok;
}

void SimulatedMeter::stop() {
    if (!pty_)
        return;
    QThread* home = thread();
    // Closed and handed back on its own thread, so its timers and notifier die where they live.
    onMeterThread([&] {
        pty_->close();
        pty_->moveToThread(home);
    });
    thread_->quit();
    thread_->wait();
    delete pty_;
    pty_ = nullptr;
    delete thread_;
    thread_ = nullptr;
}

void SimulatedMeter::onMeterThread(const std::function<void()>& f) const {
    if (!pty_)
        return;
    if (QThread::currentThread() == pty_->thread())
        f();
    else
        QMetaObject::invokeMethod(pty_, f, Qt::BlockingQueuedConnection);
}

QString SimulatedMeter::devicePath() const {
    return pty_ ? pty_->devicePath() : QString();
}

bool SimulatedMeter::isPlugged() const {
    return pty_ && pty_->isPlugged();
}

void SimulatedMeter::pressKey(char letter) {
    if (pty_)
        onMeterThread([&] { pty_->pressKey(letter); });
    else
        model_->with([&](MeterModel& m) { m.command(letter, Clock::now()); });
}

void SimulatedMeter::silence(std::chrono::milliseconds duration) {
    onMeterThread([&] { pty_->silence(duration); });
}

void SimulatedMeter::sendGarbage(int count) {
    onMeterThread([&] { pty_->sendGarbage(count); });
}

void SimulatedMeter::cutFrames(int count) {
    onMeterThread([&] { pty_->cutFrames(count); });
}

void SimulatedMeter::unplug(std::chrono::milliseconds duration) {
    onMeterThread([&] { pty_->unplug(duration); });
}

void SimulatedMeter::setFixedReading(double lux) {
    model_->with([&](MeterModel& m) { m.setFixedReading(lux); });
}

void SimulatedMeter::clearFixedReading() {
    model_->with([](MeterModel& m) { m.clearFixedReading(); });
}

void SimulatedMeter::setSurveyPosition(double x, double y) {
    model_->with([&](MeterModel& m) { m.setSurveyPosition(x, y); });
}

void SimulatedMeter::setFlag(Flag flag, bool on) {
    model_->with([&](MeterModel& m) { m.setFlag(flag, on); });
}

bool SimulatedMeter::flag(Flag flag) const {
    return model_->with([&](MeterModel& m) { return m.flag(flag); });
}

void SimulatedMeter::setPowerOffDuration(std::chrono::milliseconds duration) {
    model_->with([&](MeterModel& m) { m.setPowerOffDuration(duration); });
}

quint32 SimulatedMeter::loggerEndAddress() const {
    return model_->with([](MeterModel& m) { return m.loggerEndAddress(); });
}

int SimulatedMeter::commandCount(char letter) const {
    return model_->with([&](MeterModel& m) { return m.commandCount(letter); });
}

QMap<char, int> SimulatedMeter::commandCounts() const {
    return model_->with([](MeterModel& m) { return m.commandCounts(); });
}

void SimulatedMeter::resetCommandCounts() {
    model_->with([](MeterModel& m) { m.resetCommandCounts(); });
}

void SimulatedMeter::setFrameObserver(FrameObserver observer) {
    observer_ = observer;
    if (pty_)
        pty_->setFrameObserver(std::move(observer));
}

} // namespace sim
