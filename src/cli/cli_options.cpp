#include "cli/cli_options.h"

#include "analysis/figures.h"
#include "link/port_choice.h"

#include <array>
#include <cmath>

namespace cli {

namespace {

struct Option {
    const char* name;
    const char* value; // nullptr for a switch
    const char* help;
};

struct Command {
    const char* name;
    const char* summary;
    const char* description;
    std::initializer_list<Option> options;
    const char* required; // an option the command cannot do without, or nullptr
    // The arguments that are not options: files ("FILE..." for one or more), or nullptr.
    const char* operands = nullptr;
};

const Option kPort{"port", "PORT",
                   "COM1 ... COM8, a device such as /dev/ttyUSB0, or \"sim\" for the simulated "
                   "meter (default COM1)"};
const Option kTimeout{"timeout", "S",
                      "give up when the meter has not answered for S seconds (default 10; "
                      "0 waits for good)"};
const Option kHelp{"help", nullptr, "show this help"};

const std::array<Command, 8> kCommands = {{
    {"ports",
     "list the serial devices and what COM1 ... COM8 open here",
     "Lists the serial devices the system reports, and the device each of\n"
     "COM1 ... COM8 opens; with --port, only the device that port opens.",
     {kPort, kHelp},
     nullptr},
    {"read",
     "print the meter's readings as they appear on its display",
     "Prints each new reading of the display as a line of three fields separated by\n"
     "tabs: the time (DD-hh:nn:ss), the reading and its unit.",
     {kPort,
      kTimeout,
      {"count", "N", "stop after N readings"},
      {"json", nullptr, "one JSON object a line, with the annunciators that are on"},
      kHelp},
     nullptr},
    {"record",
     "record the reading into a data file at a fixed interval",
     "Records the displayed reading into a data file, as the program's \"Save\" does:\n"
     "the unit as header, then number, time and reading a line. Every line reaches\n"
     "the disk as it is taken. Stops after --samples, at 100000 samples, when the\n"
     "unit or the meter's mode changes, or on Ctrl-C or SIGTERM; the file is\n"
     "complete in every case.",
     {kPort,
      kTimeout,
      {"out", "FILE", "the data file to write (replaced if it exists)"},
      {"interval", "S", "seconds between samples, 1 to 86400 (default 2)"},
      {"samples", "N", "stop after N samples"},
      kHelp},
     "out"},
    {"download",
     "download the logger memory, one data file per set",
     "Downloads the meter's logger memory and writes each set as set-NN-Lx.tsv (or\n"
     "set-NN-Fc.tsv) into the folder, in the form the \"Data List\" window saves.",
     {kPort,
      kTimeout,
      {"out", "DIR", "the folder for the files (created if needed)"},
      {"unit", "lx|fc", "the unit of the files (default lx)"},
      kHelp},
     "out"},
    {"clock",
     "show the meter's clock beside the computer's, or set it",
     "Shows the meter's clock (day hh:mm:ss) and logging interval beside the\n"
     "computer's clock; with --set, first sets the meter's clock to the computer's.",
     {kPort, kTimeout, {"set", nullptr, "set the meter's clock to the computer's"}, kHelp},
     nullptr},
    {"erase",
     "clear the logger memory",
     "Clears the meter's logger memory. Nothing is asked: --yes must be given.",
     {kPort, kTimeout, {"yes", nullptr, "really clear the memory"}, kHelp},
     "yes"},
    {"stats",
     "the figures of data files: statistics, light dose, daily light integral",
     "Prints the figures of each data file (as \"Save\" or a list window wrote it): rows,\n"
     "valid readings, over-range rows, first and last time, duration, minimum, maximum,\n"
     "mean, median, standard deviation, time-weighted mean and the light dose in lx.h.\n"
     "Each reading holds until the next one; the last one, and one before a gap of more\n"
     "than three sampling intervals, for one interval. Light sources for the daily light\n"
     "integral: sunlight, fluorescent, hps, metal-halide, cmh.",
     {{"json", nullptr, "one JSON object a file"},
      {"source", "NAME", "the light source, for the daily light integral"},
      {"factor", "F", "or its own factor from lux to umol/m2/s (white LEDs and others)"},
      {"budget", "LXH", "an annual light dose budget in lx.h: this record's share of it"},
      {"low", "X", "with --high: the time below, within and above the band"},
      {"high", "Y", "the band's upper limit"},
      kHelp},
     nullptr,
     "FILE..."},
    {"export",
     "a data file as CSV with real dates",
     "Writes a data file as CSV (UTF-8, RFC 4180): time,reading,value,unit, the time in\n"
     "ISO 8601 with its UTC offset. A data file holds no year or month: they are taken\n"
     "from the file's modification time, walking backwards from its last reading.",
     {{"csv", "OUT", "the CSV file to write (replaced if it exists)"}, kHelp},
     "csv",
     "FILE"},
}};

const char* const kExitCodes =
    "Exit codes: 0 done, 1 usage, 2 port not opened, 3 no data, 4 meter lost,\n"
    "5 file not written.\n";

QString toolHelp() {
    QString text =
        QStringLiteral("Usage: luxpanel-cli COMMAND [options]\n\n"
                       "Talks to the light meter on its serial line without a window.\n\n"
                       "Commands:\n");
    for (const Command& c : kCommands)
        text += QStringLiteral("  %1 %2\n")
                    .arg(QLatin1String(c.name), -9)
                    .arg(QLatin1String(c.summary));
    text += QStringLiteral("\nRun \"luxpanel-cli COMMAND --help\" for a command's options.\n") +
            QLatin1String(kExitCodes);
    return text;
}

// An option's help, its lines wrapped to stay within 79 columns.
QString optionLine(const Option& o) {
    constexpr qsizetype kIndent = 18;
    constexpr qsizetype kWidth = 79;
    QString left = QStringLiteral("  --") + QLatin1String(o.name);
    if (o.value)
        left += u' ' + QLatin1String(o.value);
    QString text = left.leftJustified(kIndent - 1) + u' ';
    qsizetype lineStart = 0;
    bool first = true;
    for (const QString& word : QString::fromLatin1(o.help).split(u' ')) {
        if (!first && text.size() - lineStart + 1 + word.size() > kWidth) {
            text += u'\n';
            lineStart = text.size();
            text += QString(kIndent, u' ');
        } else if (!first) {
            text += u' ';
        }
        text += word;
        first = false;
    }
    return text + u'\n';
}

QString commandHelp(const Command& c) {
    const QString operands = c.operands ? u' ' + QLatin1String(c.operands) : QString();
    QString text = QStringLiteral("Usage: luxpanel-cli %1 [options]%2\n\n%3\n\nOptions:\n")
                       .arg(QLatin1String(c.name), operands, QLatin1String(c.description));
    for (const Option& o : c.options)
        text += optionLine(o);
    return text + u'\n' + QLatin1String(kExitCodes);
}

UsageError badValue(const char* option, const char* wanted) {
    return {QStringLiteral("--%1 needs %2").arg(QLatin1String(option), QLatin1String(wanted))};
}

// A whole number within [low, high], or nothing.
std::optional<int> wholeNumber(const QString& text, int low, int high) {
    bool ok = false;
    const int n = text.toInt(&ok);
    return ok && n >= low && n <= high ? std::optional<int>(n) : std::nullopt;
}

// A number, or nothing.
std::optional<double> number(const QString& text) {
    bool ok = false;
    const double v = text.toDouble(&ok);
    return ok && std::isfinite(v) ? std::optional<double>(v) : std::nullopt;
}

// stats: the light source, the budget and the band.
std::optional<UsageError> readFigureOptions(const QMap<QString, QString>& given, Invocation& inv) {
    const bool source = given.contains(QStringLiteral("source"));
    if (source && given.contains(QStringLiteral("factor")))
        return UsageError{QStringLiteral("give --source or --factor, not both")};
    if (source) {
        inv.ppfdPerLux = analysis::lightSourceFactor(given[QStringLiteral("source")]);
        if (!inv.ppfdPerLux)
            return badValue("source", "sunlight, fluorescent, hps, metal-halide or cmh");
    }
    if (given.contains(QStringLiteral("factor"))) {
        inv.ppfdPerLux = number(given[QStringLiteral("factor")]);
        if (!inv.ppfdPerLux || *inv.ppfdPerLux <= 0.0 || *inv.ppfdPerLux > 1.0)
            return badValue("factor", "a number above 0 and up to 1");
    }
    if (given.contains(QStringLiteral("budget"))) {
        inv.budget = number(given[QStringLiteral("budget")]);
        if (!inv.budget || *inv.budget <= 0.0)
            return badValue("budget", "a number of lx.h above 0");
    }
    if (given.contains(QStringLiteral("low")) != given.contains(QStringLiteral("high")))
        return UsageError{QStringLiteral("--low and --high go together")};
    if (given.contains(QStringLiteral("low"))) {
        inv.low = number(given[QStringLiteral("low")]);
        inv.high = number(given[QStringLiteral("high")]);
        if (!inv.low || !inv.high)
            return UsageError{QStringLiteral("--low and --high need numbers")};
    }
    return std::nullopt;
}

// Turns the options given into an invocation, or says which value is wrong.
std::variant<Invocation, HelpText, UsageError> readValues(const Command& c,
                                                          const QMap<QString, QString>& given) {
    Invocation inv;
    inv.command = QLatin1String(c.name);
    inv.portGiven = given.contains(QStringLiteral("port"));
    inv.port = given.value(QStringLiteral("port"), inv.port);
    if (!meterlink::fixedPortEntries().contains(inv.port) && inv.port != QLatin1String("sim") &&
        !inv.port.startsWith(u'/'))
        return badValue("port", "COM1 ... COM8, a device path or sim");
    if (given.contains(QStringLiteral("timeout"))) {
        bool ok = false;
        inv.timeout = given[QStringLiteral("timeout")].toDouble(&ok);
        if (!ok || !(inv.timeout >= 0.0 && inv.timeout <= 86400.0))
            return badValue("timeout", "a number of seconds from 0 to 86400");
    }
    if (given.contains(QStringLiteral("count"))) {
        const auto n =
            wholeNumber(given[QStringLiteral("count")], 1, std::numeric_limits<int>::max());
        if (!n)
            return badValue("count", "a whole number of 1 or more");
        inv.count = *n;
    }
    if (given.contains(QStringLiteral("interval"))) {
        const auto n = wholeNumber(given[QStringLiteral("interval")], 1, 86400);
        if (!n)
            return badValue("interval", "a whole number of seconds from 1 to 86400");
        inv.interval = *n;
    }
    if (given.contains(QStringLiteral("samples"))) {
        const auto n = wholeNumber(given[QStringLiteral("samples")], 1, 100000);
        if (!n)
            return badValue("samples", "a whole number from 1 to 100000");
        inv.samples = *n;
    }
    if (given.contains(QStringLiteral("unit"))) {
        const QString unit = given[QStringLiteral("unit")].toLower();
        if (unit != QLatin1String("lx") && unit != QLatin1String("fc"))
            return badValue("unit", "lx or fc");
        inv.footCandles = unit == QLatin1String("fc");
    }
    inv.out = given.value(QStringLiteral("out"));
    if (given.contains(QStringLiteral("out")) && inv.out.isEmpty())
        return badValue("out", c.name == QLatin1String("record") ? "a file" : "a folder");
    inv.json = given.contains(QStringLiteral("json"));
    inv.set = given.contains(QStringLiteral("set"));
    if (const std::optional<UsageError> wrong = readFigureOptions(given, inv))
        return *wrong;
    inv.csv = given.value(QStringLiteral("csv"));
    if (given.contains(QStringLiteral("csv")) && inv.csv.isEmpty())
        return badValue("csv", "a file");
    return inv;
}

} // namespace

std::variant<Invocation, HelpText, UsageError> parseArguments(const QStringList& args) {
    if (args.isEmpty() || args.front() == QLatin1String("--help") ||
        args.front() == QLatin1String("-h") || args.front() == QLatin1String("help"))
        return HelpText{toolHelp()};
    const Command* command = nullptr;
    for (const Command& c : kCommands)
        if (args.front() == QLatin1String(c.name))
            command = &c;
    if (!command)
        return UsageError{
            QStringLiteral("unknown command \"%1\"; try luxpanel-cli --help").arg(args.front())};

    QMap<QString, QString> given;
    QStringList files;
    for (qsizetype i = 1; i < args.size(); ++i) {
        QString name = args[i];
        if (name == QLatin1String("-h"))
            name = QStringLiteral("--help");
        if (!name.startsWith(QLatin1String("--"))) {
            if (!command->operands)
                return UsageError{QStringLiteral("unexpected argument \"%1\"").arg(args[i])};
            files << args[i];
            continue;
        }
        name = name.mid(2);
        std::optional<QString> value;
        if (const qsizetype eq = name.indexOf(u'='); eq >= 0) {
            value = name.mid(eq + 1);
            name.truncate(eq);
        }
        const Option* option = nullptr;
        for (const Option& o : command->options)
            if (name == QLatin1String(o.name))
                option = &o;
        if (!option)
            return UsageError{
                QStringLiteral("%1 has no option --%2").arg(QLatin1String(command->name), name)};
        if (!option->value && value)
            return UsageError{QStringLiteral("--%1 takes no value").arg(name)};
        if (option->value && !value) {
            if (++i >= args.size())
                return UsageError{QStringLiteral("--%1 needs a value").arg(name)};
            value = args[i];
        }
        if (given.contains(name))
            return UsageError{QStringLiteral("--%1 is given twice").arg(name)};
        given.insert(name, value.value_or(QString()));
    }
    if (given.contains(QStringLiteral("help")))
        return HelpText{commandHelp(*command)};
    if (command->required && !given.contains(QLatin1String(command->required)))
        return UsageError{QStringLiteral("%1 needs --%2")
                              .arg(QLatin1String(command->name), QLatin1String(command->required))};
    if (command->operands && files.isEmpty())
        return UsageError{QStringLiteral("%1 needs %2")
                              .arg(QLatin1String(command->name), QLatin1String(command->operands))};
    if (command->operands && !QLatin1String(command->operands).endsWith(QLatin1String("...")) &&
        files.size() > 1)
        return UsageError{QStringLiteral("%1 takes one %2")
                              .arg(QLatin1String(command->name), QLatin1String(command->operands))};
    auto result = readValues(*command, given);
    if (auto* inv = std::get_if<Invocation>(&result))
        inv->files = files;
    return result;
}

} // namespace cli
