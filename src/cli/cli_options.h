#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

#include <optional>
#include <variant>

namespace cli {

// What the command line tool returns; documented in its help and its manual page.
enum ExitCode : int {
    kDone = 0,
    kUsage = 1,
    kPortNotOpened = 2,
    kNoData = 3,
    kMeterLost = 4,
    kFileNotWritten = 5,
};

// A subcommand with its options checked and read.
struct Invocation {
    QString command; // "ports", "read", "record", "download", "clock", "erase", "stats", "export"
    QString port = QStringLiteral("COM1"); // COM1..COM8, a device path, or "sim"
    bool portGiven = false;
    // Seconds the meter may stay silent before the tool gives up on it; 0 waits for good.
    double timeout = 10.0;
    int count = 0;            // read: readings to print, 0 for no end
    bool json = false;        // read
    QString out;              // record: the data file; download: the folder
    int interval = 2;         // record: seconds between samples, 1..86400
    int samples = 0;          // record: samples to take, 0 for no end (the file holds 100000)
    bool footCandles = false; // download: files in foot-candles
    bool set = false;         // clock
    // stats and export: the data files, and what to work out beyond the plain figures.
    QStringList files;
    std::optional<double> ppfdPerLux; // --source or --factor
    std::optional<double> budget;     // lx·h a year
    std::optional<double> low, high;  // the band
    QString csv;                      // export: the CSV file to write
};

// Text to print and leave with 0: the help of the tool or of one subcommand.
struct HelpText {
    QString text;
};
// One line saying what is wrong with the arguments; the tool leaves with kUsage.
struct UsageError {
    QString message;
};

// Reads the arguments after the program's name.
std::variant<Invocation, HelpText, UsageError> parseArguments(const QStringList& args);

} // namespace cli
