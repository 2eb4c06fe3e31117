#include "model_meter.h"

#include "sim/display_frame.h"

#include <algorithm>
#include <chrono>

namespace testsupport {

namespace {

constexpr double kBytesPerSecond = 1920.0;
constexpr double kFramePeriod = 0.1;
constexpr qsizetype kChunkBytes = 32;

sim::MeterModel::TimePoint modelTime(double seconds) {
    return sim::MeterModel::TimePoint(std::chrono::duration_cast<sim::MeterModel::Duration>(
        std::chrono::duration<double>(seconds)));
}

} // namespace

ModelMeter::ModelMeter(FakePort& port, VirtualWaiter& clock) : port_(port), clock_(clock) {
    port_.responder = [this](const QByteArray& bytes) {
        const double now = clock_.now();
        for (char c : bytes) {
            const QByteArray reply = model.receive(quint8(c), modelTime(now));
            // A long reply (the logger memory) trickles in as the line carries it.
            for (qsizetype at = 0; at < reply.size(); at += kChunkBytes)
                port_.deliver(reply.mid(at, kChunkBytes),
                              double(std::min(at + kChunkBytes, reply.size())) / kBytesPerSecond);
        }
        stream(now);
    };
    clock_.onWait = [this](double now) { stream(now); };
}

sim::MeterModel::TimePoint ModelMeter::now() const {
    return modelTime(clock_.now());
}

void ModelMeter::stream(double now) {
    const bool streaming = model.isStreaming(modelTime(now));
    if (streaming && !streaming_)
        nextFrameAt_ = now;
    streaming_ = streaming;
    while (streaming_ && nextFrameAt_ <= now) {
        port_.deliver(sim::encodeDisplayFrame(model.display(modelTime(nextFrameAt_))),
                      nextFrameAt_ + sim::kDisplayFrameSize / kBytesPerSecond - now);
        nextFrameAt_ += kFramePeriod;
    }
}

} // namespace testsupport
