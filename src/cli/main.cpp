// luxpanel-cli: the meter from a script or a computer without a display.
#include "cli/cli_options.h"
#include "cli/file_commands.h"
#include "cli/meter_commands.h"
#include "cli/meter_program.h"

#include <QCoreApplication>
#include <QFile>
#include <QTextStream>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace {

struct Console {
    QTextStream& out;
    QTextStream& err;
};

// Each command and what runs it: on the invocation alone, or on the meter the invocation names.
struct CommandRun {
    const char* name;
    int (*run)(const cli::Invocation& inv, Console& io);
    int (*onMeter)(cli::MeterSession& session, const cli::Invocation& inv, Console& io);
};

const CommandRun kCommandRuns[] = {
    {"ports", [](const cli::Invocation& inv, Console& io) { return cli::runPorts(inv, io.out); },
     nullptr},
    {"stats",
     [](const cli::Invocation& inv, Console& io) { return cli::runStats(inv, io.out, io.err); },
     nullptr},
    {"export",
     [](const cli::Invocation& inv, Console& io) { return cli::runExport(inv, io.out, io.err); },
     nullptr},
    {"read", nullptr,
     [](cli::MeterSession& s, const cli::Invocation& inv, Console& io) {
         return cli::runRead(s, inv, io.out);
     }},
    {"record", nullptr,
     [](cli::MeterSession& s, const cli::Invocation& inv, Console& io) {
         return cli::runRecord(s, inv, io.err);
     }},
    {"download", nullptr,
     [](cli::MeterSession& s, const cli::Invocation& inv, Console& io) {
         return cli::runDownload(s, inv, io.out, io.err);
     }},
    {"clock", nullptr,
     [](cli::MeterSession& s, const cli::Invocation& inv, Console& io) {
         return cli::runClock(s, inv, io.out);
     }},
    {"erase", nullptr,
     [](cli::MeterSession& s, const cli::Invocation&, Console&) { return cli::runErase(s); }},
};

// serve is a program of its own, so that only it loads the network libraries.
int runServeProgram(char* argv[], QTextStream& err) {
    const QByteArray program = QFile::encodeName(QCoreApplication::applicationDirPath() +
                                                 QStringLiteral("/luxpanel-serve"));
    argv[1] = const_cast<char*>("luxpanel-serve");
    ::execv(program.constData(), argv + 1);
    err << "luxpanel-cli: " << QFile::decodeName(program)
        << " could not be run: " << QString::fromLocal8Bit(std::strerror(errno)) << '\n';
    return cli::kUsage;
}

} // namespace

int main(int argc, char* argv[]) {
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    QTextStream out(stdout);
    QTextStream err(stderr);
    if (args.value(0) == QLatin1String("serve")) {
        QCoreApplication app(argc, argv);
        return runServeProgram(argv, err);
    }
    // Help and usage errors need no application, so they come back at once.
    const auto parsed = cli::parseOrAnswer(args, out, err);
    if (const int* code = std::get_if<int>(&parsed))
        return *code;
    const cli::Invocation& inv = std::get<cli::Invocation>(parsed);
    const auto row =
        std::find_if(std::begin(kCommandRuns), std::end(kCommandRuns),
                     [&](const CommandRun& c) { return inv.command == QLatin1String(c.name); });
    if (row == std::end(kCommandRuns)) {
        err << "luxpanel-cli: unknown command \"" << inv.command << "\"; try luxpanel-cli --help\n";
        return cli::kUsage;
    }

    cli::preferQtEventLoop();
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("luxpanel-cli"));
    Console io{out, err};
    if (row->run)
        return row->run(inv, io);
    return cli::runOnMeter(inv, inv.timeout, err, [&](cli::MeterSession& session) {
        return row->onMeter(session, inv, io);
    });
}
