#pragma once

#include "shared/session.h"
#include "fake_link.h"
#include "link/meter_link.h"
#include "scripted_prompts.h"

namespace testsupport {

// A fresh session whose link talks to a scripted meter in virtual time, with scripted prompts.
struct SessionRig {
    VirtualWaiter clock;
    FakePort port{clock};
    FakeMeter meter{port, clock};
    shared::Session session;
    meterlink::MeterLink link{port, clock, session.link};
    ScriptedPrompts prompts;
};

} // namespace testsupport
