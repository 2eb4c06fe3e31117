#pragma once

#include "cli/meter_commands.h"

class QTextStream;

namespace cli {

// Reads the meter as "read" does until Ctrl-C or SIGTERM, and publishes each new reading over
// HTTP, to an MQTT broker, or both. The session must not give up on a silent meter (a timeout
// of 0): serve reports it down after inv.timeout and keeps trying. Progress goes to err.
int runServe(MeterSession& session, const Invocation& inv, QTextStream& err);

} // namespace cli
