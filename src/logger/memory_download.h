#pragma once

#include <QByteArray>

#include <functional>

namespace meterlink {
class MeterLink;
}

namespace logger {

// A download gives up when no byte has come for this long, restarts included.
inline constexpr double kDownloadStallSeconds = 5.0;

// How a transfer of the logger memory ended.
enum class Transfer { Received, Empty, ImpossibleEnd, Stalled, Cancelled, ShuttingDown };

// What the caller sees of a transfer as it runs.
struct TransferWatch {
    // Each start of the transfer (a restart too), with the end address just polled.
    std::function<void(quint32 memoryEnd)> starting;
    // Bytes of the reply received so far, and how many are expected.
    std::function<void(qsizetype received, qsizetype expected)> progress;
    // Asked on every pass; true ends the transfer as cancelled.
    std::function<bool()> cancelled;
};

struct MemoryTransfer {
    Transfer outcome = Transfer::ShuttingDown;
    QByteArray memory; // the memory image with its end mark, once Received
    quint32 memoryEnd = 0;
};

// The whole logger memory with "Q", from the first poll on, as one exchange the caller holds.
// An empty memory (end address 1535) ends at once. A "Q" that brings nothing is asked again
// from the meter's normal display on; 5 s without a byte ends the transfer as stalled. Between
// passes the event loop runs until bytes come, 50 ms at most, so windows stay live without a
// core spinning and the last bytes end the transfer as they arrive.
MemoryTransfer ReceiveLoggerMemory(meterlink::MeterLink& link, const TransferWatch& watch);

} // namespace logger
