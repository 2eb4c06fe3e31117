#include "logger/memory_download.h"

#include "link/meter_link.h"
#include "link/setting_exchanges.h"
#include "logger/memory_image.h"

namespace logger {

namespace {

constexpr double kAfterQueryWait = 0.2;
// The longest wait between two reads of the transfer; bytes that come end it at once.
constexpr double kReceivePassWait = 0.05;
// The longest pause in a reply that is still arriving.
constexpr double kStreamTailWait = 0.5;

} // namespace

MemoryTransfer ReceiveLoggerMemory(meterlink::MeterLink& link, const TransferWatch& watch) {
    MemoryTransfer t;
    auto end = [&t](Transfer outcome) {
        t.outcome = outcome;
        return t;
    };
    if (!link.PollReading())
        return end(Transfer::ShuttingDown);
    t.memoryEnd = link.pollValue();
    if (t.memoryEnd == kEmptyMemoryEnd)
        return end(Transfer::Empty);
    // The transfer stalls when no byte has come for a while since the first "Q".
    double lastArrival = -1.0;
    for (;;) {
        if (!meterlink::ReturnToNormalDisplay(link) || !link.PollReading())
            return end(Transfer::ShuttingDown);
        t.memoryEnd = link.pollValue();
        const std::optional<qsizetype> expected = expectedReplyLength(t.memoryEnd);
        if (!expected)
            return end(t.memoryEnd == kEmptyMemoryEnd ? Transfer::Empty : Transfer::ImpossibleEnd);
        if (watch.starting)
            watch.starting(t.memoryEnd);
        if (watch.cancelled && watch.cancelled())
            return end(Transfer::Cancelled);
        link.port().discardInput();
        link.send(QByteArrayLiteral("Q"));
        if (lastArrival < 0)
            lastArrival = link.now();
        if (!link.WaitSeconds(kAfterQueryWait))
            return end(Transfer::ShuttingDown);
        QByteArray reply;
        for (;;) {
            if (watch.cancelled && watch.cancelled())
                return end(Transfer::Cancelled);
            const QByteArray arrived = link.port().Input();
            if (!arrived.isEmpty()) {
                lastArrival = link.now();
                reply += arrived;
            } else if (link.now() - lastArrival >= kDownloadStallSeconds) {
                return end(Transfer::Stalled);
            }
            // Nothing at all since "Q": ask again from the start.
            if (reply.isEmpty())
                break;
            if (watch.progress)
                watch.progress(reply.size(), *expected);
            if (reply.size() >= *expected) {
                // Stream bytes before the reply make it as much longer; when no more come, the
                // bytes before the marker were the memory's own.
                const qsizetype skipped = streamBytesBefore(reply);
                if (reply.size() >= *expected + skipped) {
                    t.memory = memoryImage(reply.mid(skipped), *expected);
                    return end(Transfer::Received);
                }
                if (link.now() - lastArrival >= kStreamTailWait) {
                    t.memory = memoryImage(reply, *expected);
                    return end(Transfer::Received);
                }
            }
            if (!link.WaitForInput(kReceivePassWait))
                return end(Transfer::ShuttingDown);
        }
    }
}

} // namespace logger
