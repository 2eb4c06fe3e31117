#pragma once

#include "fake_link.h"
#include "sim/meter_model.h"

namespace testsupport {

// The simulated meter's model behind a FakePort, in virtual time: it answers every command as
// the meter does, and after "M" streams its display every 0.1 s. A reply arrives once its bytes
// have crossed the line at 19200 baud, so whole windows run through their exchanges in
// milliseconds of real time.
class ModelMeter {
public:
    ModelMeter(FakePort& port, VirtualWaiter& clock);

    sim::MeterModel model;
    // The model's time for the virtual clock's now.
    sim::MeterModel::TimePoint now() const;

private:
    void stream(double now);

    FakePort& port_;
    VirtualWaiter& clock_;
    double nextFrameAt_ = 0.0;
    bool streaming_ = false;
};

} // namespace testsupport
