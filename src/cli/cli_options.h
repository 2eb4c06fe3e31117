#pragma once

#include <QMap>
#include <QString>
#include <QStringList>
#include <QTextStream>

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

// A host (name or address) and a port.
struct NetAddress {
    QString host;
    quint16 port = 0;
};

// serve: where it publishes the meter, and under which name. The password of the broker's user
// comes from the environment, never from the command line.
struct ServeOptions {
    std::optional<NetAddress> http; // --http: the address the metrics page listens on
    std::optional<NetAddress> mqtt; // --mqtt: the broker
    QString name;                   // the meter in metrics, topics and discovery
    QString topic;                  // the topic prefix
    double every = 1.0;             // seconds at least between two changed state messages
    bool discovery = true;          // Home Assistant's discovery config
    QString mqttUser;
    bool mqttTls = false;
    QString mqttCa;       // the CA certificates that vouch for the broker; empty: the system's
    QString recordFolder; // --record: one data file a day in this folder; empty: no record
    int recordEvery = 60; // seconds between two samples of the record
};

// A subcommand with its options checked and read.
struct Invocation {
    QString command; // "ports", "read", "record", "download", "clock", "erase", "stats",
                     // "export" or "serve"
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
    bool combine = false;             // stats: the files as one record
    QString report;                   // stats --combine: the PDF report to write
    QString meterName;                // stats: the meter's name in the report
    QString csv;                      // export: the CSV file to write
    ServeOptions serve;
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

// The arguments read, or the exit code once the help is printed to out or the usage error to err.
std::variant<Invocation, int> parseOrAnswer(const QStringList& args, QTextStream& out,
                                            QTextStream& err);

} // namespace cli
