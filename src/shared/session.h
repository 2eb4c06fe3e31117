#pragma once

#include "graphs/graph_state.h"
#include "link/display_model.h"
#include "link/link_state.h"
#include "logger/logger_state.h"
#include "recording/recording_state.h"

namespace shared {

// The run's shared records, one per subsystem. main() creates the one Session; a test builds
// a fresh one.
struct Session {
    meterlink::LinkState link;
    meterlink::DisplayModel display;
    recording::RecordingState recording;
    graphs::GraphState graph;
    logger::LoggerState logger;
};

} // namespace shared
