#pragma once

class QTextStream;

namespace cli {

struct Invocation;

// The commands on data files; they need no meter. Each returns the tool's exit code.
int runStats(const Invocation& inv, QTextStream& out, QTextStream& err);
int runExport(const Invocation& inv, QTextStream& out, QTextStream& err);

} // namespace cli
