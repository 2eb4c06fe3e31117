#include "link/qt_serial_port.h"

#include "link/waiter.h"

#include <QFileInfo>
#include <QMetaMethod>
#include <QSocketNotifier>

namespace meterlink {

namespace {
constexpr int kReopenIntervalMs = 250;
constexpr int kWriteTimeoutMs = 100;
} // namespace

QString openFailureReason(const QString& device, QSerialPort::SerialPortError error,
                          const QString& systemText) {
    switch (error) {
    case QSerialPort::DeviceNotFoundError:
        return QStringLiteral("%1 does not exist. Check that the meter's cable is plugged in.")
            .arg(device);
    case QSerialPort::PermissionError:
        if (QFileInfo::exists(device))
            return QStringLiteral("%1 is in use by another program, or you may not open it: "
                                  "add your user to the 'dialout' group "
                                  "(sudo usermod -aG dialout $USER) and log in again.")
                .arg(device);
        return QStringLiteral("%1 could not be opened: %2").arg(device, systemText);
    case QSerialPort::OpenError:
        return QStringLiteral("%1 is already open.").arg(device);
    default:
        return QStringLiteral("%1 could not be opened: %2").arg(device, systemText);
    }
}

QtSerialPort::QtSerialPort() {
    QObject::connect(&port_, &QSerialPort::errorOccurred, this, &QtSerialPort::onError);
}

bool QtSerialPort::open(const QString& device, QString* why) {
    device_ = device;
    return openDevice(why);
}

bool QtSerialPort::openDevice(QString* why) {
    sinceReopenTry_.start();
    port_.setPortName(device_);
    port_.setBaudRate(QSerialPort::Baud19200);
    port_.setDataBits(QSerialPort::Data8);
    port_.setParity(QSerialPort::NoParity);
    port_.setStopBits(QSerialPort::OneStop);
    port_.setFlowControl(QSerialPort::NoFlowControl);
    if (port_.open(QIODevice::ReadWrite)) {
        // The port reads whatever arrives, as it arrives, through a notifier of its own; it is
        // switched on for waits only (Input still picks up what the system holds).
        readNotifier_.clear();
        for (QSocketNotifier* n : port_.findChildren<QSocketNotifier*>())
            if (n->type() == QSocketNotifier::Read && n->isEnabled())
                readNotifier_ = n;
        watchInput(false);
        return true;
    }
    if (why)
        *why = openFailureReason(device_, port_.error(), port_.errorString());
    return false;
}

// Open, or reopened now that the device is back.
bool QtSerialPort::usable() {
    if (port_.isOpen())
        return true;
    if (device_.isEmpty() || sinceReopenTry_.elapsed() < kReopenIntervalMs)
        return false;
    return openDevice(nullptr);
}

void QtSerialPort::onError(QSerialPort::SerialPortError error) {
    switch (error) {
    case QSerialPort::ResourceError:
    case QSerialPort::ReadError:
    case QSerialPort::WriteError:
        // The device is gone; a dead descriptor would report errors on every pass.
        if (port_.isOpen())
            port_.close();
        sinceReopenTry_.start();
        break;
    default:
        break;
    }
}

void QtSerialPort::Output(const QByteArray& bytes) {
    if (!usable())
        return;
    port_.write(bytes);
    // QSerialPort writes from the event loop; push the bytes out now.
    if (port_.isOpen() && port_.bytesToWrite() > 0)
        port_.waitForBytesWritten(kWriteTimeoutMs);
}

QByteArray QtSerialPort::Input() {
    if (!usable())
        return {};
    // Picks up what the system has received even when no event loop ran since the last call.
    port_.waitForReadyRead(0);
    return port_.isOpen() ? port_.readAll() : QByteArray();
}

qint64 QtSerialPort::InBufferCount() {
    if (!usable())
        return 0;
    port_.waitForReadyRead(0);
    return port_.isOpen() ? port_.bytesAvailable() : 0;
}

void QtSerialPort::watchInput(bool on) {
    if (readNotifier_)
        readNotifier_->setEnabled(on);
}

bool QtSerialPort::WaitForInput(Waiter& waiter, double seconds) {
    return WaitForBytes(waiter, 1, seconds);
}

bool QtSerialPort::WaitForBytes(Waiter& waiter, qint64 count, double seconds) {
    if (InBufferCount() >= count)
        return waiter.WaitSeconds(0.0);
    if (!port_.isOpen())
        return waiter.WaitSeconds(seconds);
    const double deadline = waiter.now() + seconds;
    watchInput(true);
    bool running = true;
    while (running && port_.isOpen() && port_.bytesAvailable() < count) {
        const double left = deadline - waiter.now();
        if (left <= 0.0)
            break;
        running = waiter.WaitSecondsOrSignal(left, &port_,
                                             QMetaMethod::fromSignal(&QSerialPort::readyRead));
    }
    return running;
}

void QtSerialPort::rest() {
    // Switched off once, at the end of the exchange: QSerialPort switches it back on whenever its
    // buffer is read empty, and each switch wakes the event loop.
    watchInput(false);
}

void QtSerialPort::discardInput() {
    if (!port_.isOpen())
        return;
    port_.clear(QSerialPort::Input);
    port_.readAll();
}

} // namespace meterlink
