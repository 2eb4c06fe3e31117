#pragma once

#include "fake_link.h"
#include "link/display_stream.h"
#include "link/meter_link.h"
#include "scripted_prompts.h"
#include "shared/session.h"

namespace testsupport {

// A fresh session whose link talks to a scripted meter in virtual time, with scripted prompts.
struct SessionRig {
    VirtualWaiter clock;
    FakePort port{clock};
    FakeMeter meter{port, clock};
    shared::Session session;
    meterlink::MeterLink link{port, clock, session.link};
    ScriptedPrompts prompts;
    // The main window's polling, never started: windows pause it, tests ask whether it is.
    meterlink::DisplayStream stream{link, session.display, nullptr,
                                    meterlink::DisplayStream::Cadence::Panel};
};

} // namespace testsupport
