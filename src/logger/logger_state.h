#pragma once

#include <QByteArray>

#include <vector>

namespace logger {

// What the logger subsystem shares with the rest of the program.
struct LoggerState {
    bool MemoryWindowOpen = false; // a download runs or the memory window is open
    bool MemoryClearBusy = false;  // the erase question is open
    // The sets of the last download in memory order, set number n at index n - 1: each the
    // bytes of one set, marker, header and records.
    std::vector<QByteArray> LoggerSets;
    bool LuxGridShown = true; // the data list shows lux, else foot-candles
};

} // namespace logger
