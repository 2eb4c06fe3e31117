#pragma once

#include "cli/cli_options.h"

#include <functional>

class QTextStream;

namespace cli {

class MeterSession;

// Opens the meter an invocation names (a simulated meter of its own for "sim"), with Ctrl-C and
// SIGTERM ending the command's waits, and runs the command on it. timeout: seconds without an
// answer before the meter counts as lost, 0 for good. Needs the application object.
// Qt's own event loop for the application made next, in place of GLib's: the commands need
// nothing of GLib, and GLib's loop wakes itself each time the port's watch is switched on or off
// (several times a frame). Call before the application object is made.
void preferQtEventLoop();

int runOnMeter(const Invocation& inv, double timeout, QTextStream& err,
               const std::function<int(MeterSession&)>& run);

} // namespace cli
