#pragma once

#include <QByteArray>
#include <QString>

namespace meterlink {

class Waiter;

// The operations the program needs from a serial port. Bytes are bytes, both ways.
class SerialPort {
public:
    virtual ~SerialPort() = default;

    // Opens the device at 19200 baud, no parity, 8 data bits, 1 stop bit, no handshake.
    // On failure returns false and, when given, fills *why with a reason a person can act on.
    virtual bool open(const QString& device, QString* why) = 0;
    // Sends the bytes unchanged; they have left the program when it returns.
    virtual void Output(const QByteArray& bytes) = 0;
    // Everything received so far, removed from the buffer; empty when nothing came. Never blocks.
    virtual QByteArray Input() = 0;
    virtual qint64 InBufferCount() = 0;
    // Drops every byte received so far.
    virtual void discardInput() = 0;
    // Waits through the waiter until bytes are ready to read or the time has passed, whichever
    // comes first; with bytes already waiting, the event loop still runs once. False when the
    // program is shutting down.
    virtual bool WaitForInput(Waiter& waiter, double seconds) = 0;
    // Waits until `count` bytes are waiting to be read, or the time has passed, and may return
    // sooner: the caller looks at what came and waits again. A port that cannot wake when bytes
    // come (a scripted one) looks again every 20 ms, as the exchanges always have. False when
    // the program is shutting down.
    virtual bool WaitForBytes(Waiter& waiter, qint64 count, double seconds);
    // The program reads nothing more until its next exchange: a port that watches for incoming
    // bytes stops, so that the bytes the meter streams meanwhile do not wake the program.
    virtual void rest() {}
    // False while the device has gone away (unplugged adapter); the port reopens it by itself.
    virtual bool isConnected() const = 0;
};

} // namespace meterlink
