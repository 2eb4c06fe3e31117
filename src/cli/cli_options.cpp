#include "cli/cli_options.h"

#include "analysis/figures.h"
#include "cli/serve_texts.h"
#include "link/port_choice.h"

#include <QFile>
#include <QFileInfo>
#include <QSysInfo>

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

// serve's own options.
const Option kServeTimeout{"timeout", "S",
                           "report the meter down when it has given no reading for S seconds "
                           "(default 10; 0: only when the link is lost); serve keeps trying"};
const std::initializer_list<Option> kServeOptions = {
    kPort,
    kServeTimeout,
    {"http", "[ADDR:]PORT",
     "serve /metrics and /reading over HTTP on PORT of ADDR (default address 127.0.0.1)"},
    {"mqtt", "HOST[:PORT]",
     "publish to the MQTT broker at HOST (default port 1883, 8883 with TLS)"},
    {"topic", "PREFIX", "the topics' prefix (default luxpanel/NAME)"},
    {"name", "NAME",
     "the meter's name in metrics, topics and discovery: letters, digits, _ and - (default "
     "HOST_DEVICE, this machine's name and the port's base name, such as pi_ttyUSB0)"},
    {"every", "S",
     "send a changed reading to the broker at most once every S seconds (default 1; 0: each "
     "change); a steady one goes again once a minute"},
    {"no-discovery", nullptr, "publish no Home Assistant discovery config"},
    {"mqtt-user", "USER",
     "the broker's user; the password is taken from the environment variable "
     "LUXPANEL_MQTT_PASSWORD"},
    {"mqtt-tls", nullptr, "talk to the broker over TLS"},
    {"mqtt-ca", "FILE",
     "the CA certificates (PEM) that vouch for the broker (default the system's)"},
    {"record", "DIR",
     "record the reading into one data file a day, DIR/YYYY-MM-DD.txt (further files of a day "
     "YYYY-MM-DD.2.txt ...)"},
    {"record-every", "S", "seconds between two recorded samples, 1 to 86400 (default 60)"},
    kHelp,
};

const std::array<Command, 9> kCommands = {{
    {"ports",
     "list the serial devices and what COM1 ... COM8 open here",
     "Lists the serial devices the system reports, and the device each of\n"
     "COM1 ... COM8 opens; with --port, only the device that port opens.",
     {kPort, kHelp},
     nullptr},
    {"read",
     "print the meter's readings as they appear on its display",
     "Prints each new reading of the display as a line of three fields separated by\n"
     "tabs: the time (DD-hh:nn:ss), the reading and its unit. A steady reading is\n"
     "printed once a second.",
     {kPort,
      kTimeout,
      {"count", "N", "stop after N readings"},
      {"json", nullptr,
       "one JSON object a line: time, iso_time (ISO 8601 with the UTC offset), "
       "reading, value, unit and the annunciators that are on"},
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
     "Prints the figures of each data file (as \"Save\" or a list window wrote it), or of\n"
     "every data file (.txt, .tsv) of a folder: rows, valid readings, over-range rows,\n"
     "first and last time, duration, minimum, maximum, mean, median, standard deviation,\n"
     "time-weighted mean, the light dose in lx.h and a year at this rate. Each reading\n"
     "holds until the next one; the last one, and one before a gap of more than three\n"
     "sampling intervals, for one interval. A file named YYYY-MM-DD.txt or\n"
     "YYYY-MM-DD.N.txt is dated by its name, any other by its modification time. Light\n"
     "sources for the daily light integral: sunlight, fluorescent, hps, metal-halide, cmh.",
     {{"json", nullptr, "one JSON object a file (or one for the record with --combine)"},
      {"combine", nullptr,
       "the files as one record in time order, with a table of its days and months"},
      {"report", "PDF", "with --combine: write the light dose report to this PDF file"},
      {"name", "NAME", "the meter's name in the report (default the folder's name)"},
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
    {"serve", "publish the meter to Prometheus and MQTT for as long as it runs",
     "Reads the meter as \"read\" does, for as long as it runs, and publishes its\n"
     "readings: over HTTP (--http) as Prometheus metrics on /metrics and as JSON on\n"
     "/reading, each one; to an MQTT broker (--mqtt) on PREFIX/state, a change at\n"
     "most every --every seconds, with PREFIX/availability \"online\" or \"offline\"\n"
     "and a Home Assistant discovery config. A meter that stops answering is reported\n"
     "down, and serve keeps trying to reach it; a broker that is away is tried again,\n"
     "1 s doubling to 30 s apart. With --record it also keeps the readings, a sample\n"
     "every --record-every seconds of the computer's clock, in one data file a day;\n"
     "nothing is written while the meter is away or out of its normal measuring mode.\n"
     "Ctrl-C or SIGTERM publishes \"offline\" and ends serve. Progress and problems\n"
     "go to standard error, a line each.",
     kServeOptions, nullptr},
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
    // A name too long for its column puts the help on the line below.
    QString text = left.size() < kIndent - 1 ? left.leftJustified(kIndent - 1) + u' '
                                             : left + u'\n' + QString(kIndent, u' ');
    qsizetype lineStart = text.lastIndexOf(u'\n') + 1;
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
    inv.combine = given.contains(QStringLiteral("combine"));
    inv.report = given.value(QStringLiteral("report"));
    if (given.contains(QStringLiteral("report")) && (!inv.combine || inv.report.isEmpty()))
        return UsageError{QStringLiteral("--report needs --combine and a file")};
    if (inv.command == QLatin1String("stats"))
        inv.meterName = given.value(QStringLiteral("name"));
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

// serve's options --------------------------------------------------------------------------

// "[ADDR:]PORT" or "HOST[:PORT]"; an IPv6 address goes in brackets when a port follows it.
std::optional<NetAddress> netAddress(const QString& text, const QString& defaultHost,
                                     std::optional<quint16> defaultPort, int lowestPort) {
    NetAddress a{defaultHost, defaultPort.value_or(0)};
    QString portText;
    if (text.startsWith(u'[')) {
        const qsizetype close = text.indexOf(u']');
        if (close < 0 || (close + 1 < text.size() && text.at(close + 1) != u':'))
            return std::nullopt;
        a.host = text.mid(1, close - 1);
        if (close + 1 < text.size())
            portText = text.mid(close + 2);
    } else if (const qsizetype colon = text.lastIndexOf(u':'); colon >= 0) {
        a.host = text.left(colon);
        portText = text.mid(colon + 1);
        if (a.host.contains(u':'))
            return std::nullopt; // an IPv6 address without its brackets
    } else if (!defaultPort) {
        portText = text; // a port alone
    } else {
        a.host = text;
    }
    if (a.host.isEmpty() || a.host.contains(u'/') || a.host.contains(u' '))
        return std::nullopt;
    if (!portText.isNull() || !defaultPort) {
        const auto port = wholeNumber(portText, lowestPort, 65535);
        if (!port)
            return std::nullopt;
        a.port = quint16(*port);
    }
    return a;
}

// A CA file that will never do, whatever the broker: found at the start rather than at each try.
std::optional<QString> caFileProblem(const QString& path) {
    QFile file(path);
    if (!file.exists())
        return QStringLiteral("no such file");
    if (QFileInfo(path).isDir() || !file.open(QIODevice::ReadOnly))
        return QStringLiteral("cannot be read (%1)")
            .arg(QFileInfo(path).isDir() ? QStringLiteral("a folder") : file.errorString());
    // PEM certificates are text between these lines; DER and keys are not what is asked for.
    if (!file.read(1024 * 1024).contains("-----BEGIN CERTIFICATE-----"))
        return QStringLiteral("not a PEM file of CA certificates (no \"BEGIN CERTIFICATE\" in it)");
    return std::nullopt;
}

std::variant<Invocation, HelpText, UsageError>
readServeValues(Invocation inv, const QMap<QString, QString>& given) {
    ServeOptions& o = inv.serve;
    const auto has = [&](const char* name) { return given.contains(QLatin1String(name)); };
    const auto value = [&](const char* name) { return given.value(QLatin1String(name)); };
    o.mqttTls = has("mqtt-tls");
    if (has("http")) {
        o.http = netAddress(value("http"), QStringLiteral("127.0.0.1"), std::nullopt, 0);
        if (!o.http)
            return badValue("http", "[ADDR:]PORT, such as 9105 or 0.0.0.0:9105");
    }
    if (has("mqtt")) {
        o.mqtt = netAddress(value("mqtt"), QString(), quint16(o.mqttTls ? 8883 : 1883), 1);
        if (!o.mqtt)
            return badValue("mqtt", "HOST[:PORT], such as localhost or broker.lan:1883");
    }
    o.recordFolder = value("record");
    if (has("record") && o.recordFolder.isEmpty())
        return badValue("record", "a folder");
    if (has("record-every")) {
        if (!has("record"))
            return UsageError{QStringLiteral("--record-every needs --record")};
        bool ok = false;
        o.recordEvery = value("record-every").toInt(&ok);
        if (!ok || o.recordEvery < 1 || o.recordEvery > 86400)
            return badValue("record-every", "a whole number of seconds from 1 to 86400");
    }
    if (!o.http && !o.mqtt && !has("record"))
        return UsageError{QStringLiteral("serve needs --http, --mqtt or --record")};
    for (const char* option : {"topic", "no-discovery", "mqtt-user", "mqtt-tls", "mqtt-ca"})
        if (has(option) && !o.mqtt)
            return UsageError{QStringLiteral("--%1 needs --mqtt").arg(QLatin1String(option))};
    if (has("mqtt-ca") && !o.mqttTls)
        return UsageError{QStringLiteral("--mqtt-ca needs --mqtt-tls")};

    o.name = has("name")
                 ? value("name")
                 : defaultMeterName(QSysInfo::machineHostName(),
                                    inv.port == QLatin1String("sim")
                                        ? inv.port
                                        : meterlink::portTargetForChoice(
                                              inv.port, meterlink::portNumberForChoice(inv.port, 1))
                                              .devicePath);
    if (!isMeterName(o.name))
        return badValue("name", "letters, digits, _ and - (64 at most)");
    o.topic = has("topic") ? value("topic") : defaultTopicPrefix(o.name);
    if (!isTopicPrefix(o.topic))
        return badValue("topic", "a topic without + or #, and without / at either end");
    if (has("every")) {
        bool ok = false;
        o.every = value("every").toDouble(&ok);
        if (!ok || !(o.every >= 0.0 && o.every <= 86400.0))
            return badValue("every", "a number of seconds from 0 to 86400");
    }
    o.discovery = !has("no-discovery");
    o.mqttUser = value("mqtt-user");
    if (has("mqtt-user") && o.mqttUser.isEmpty())
        return badValue("mqtt-user", "a user name");
    o.mqttCa = value("mqtt-ca");
    if (has("mqtt-ca") && o.mqttCa.isEmpty())
        return badValue("mqtt-ca", "a file");
    if (has("mqtt-ca"))
        if (const std::optional<QString> wrong = caFileProblem(o.mqttCa))
            return UsageError{QStringLiteral("--mqtt-ca %1: %2").arg(o.mqttCa, *wrong)};
    return inv;
}

// --------------------------------------------------------------------------------------------

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
    if (inv.command == QLatin1String("serve"))
        return readServeValues(inv, given);
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

std::variant<Invocation, int> parseOrAnswer(const QStringList& args, QTextStream& out,
                                            QTextStream& err) {
    auto parsed = parseArguments(args);
    if (const auto* help = std::get_if<HelpText>(&parsed)) {
        out << help->text;
        return kDone;
    }
    if (const auto* usage = std::get_if<UsageError>(&parsed)) {
        err << "luxpanel-cli: " << usage->message << '\n';
        return kUsage;
    }
    return std::move(std::get<Invocation>(parsed));
}

} // namespace cli
