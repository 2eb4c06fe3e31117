#pragma once

#include "link/serial_port.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QSerialPort>

class QSocketNotifier;

namespace meterlink {

// SerialPort over QSerialPort. When the device goes away (an unplugged adapter, a closed
// simulator) the port is closed at the first error and the same device is reopened, at most
// four times a second, as soon as it is back.
//
// The meter streams ten frames a second and the program reads one now and then, draining the
// rest: so the port is watched for incoming bytes only while a wait for them runs. In between,
// bytes wait in the system's buffer and wake nobody.
class QtSerialPort : public QObject, public SerialPort {
    Q_OBJECT
public:
    QtSerialPort();
    bool open(const QString& device, QString* why) override;
    void Output(const QByteArray& bytes) override;
    QByteArray Input() override;
    qint64 InBufferCount() override;
    void discardInput() override;
    // Wake on the port's readyRead.
    bool WaitForInput(Waiter& waiter, double seconds) override;
    bool WaitForBytes(Waiter& waiter, qint64 count, double seconds) override;
    bool isConnected() const override { return port_.isOpen(); }
    void rest() override;

private:
    bool openDevice(QString* why);
    bool usable();
    void onError(QSerialPort::SerialPortError error);
    // The watch on incoming bytes, on from a wait to the end of its exchange.
    void watchInput(bool on);

    QSerialPort port_;
    QPointer<QSocketNotifier> readNotifier_;
    QString device_;
    QElapsedTimer sinceReopenTry_;
};

// A sentence that tells the user why a device could not be opened and what to do about it.
QString openFailureReason(const QString& device, QSerialPort::SerialPortError error,
                          const QString& systemText);

} // namespace meterlink
