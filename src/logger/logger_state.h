#pragma once

namespace logger {

// What the logger subsystem shares with the rest of the program.
struct LoggerState {
    bool MemoryWindowOpen = false; // a download runs or the memory window is open
};

} // namespace logger
