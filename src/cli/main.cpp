// luxpanel-cli: the meter from a script or a computer without a display.
#include "cli/cli_options.h"
#include "cli/file_commands.h"
#include "cli/meter_commands.h"
#include "cli/serve_command.h"
#include "sim/simulated_meter.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTemporaryDir>
#include <QTextStream>

#include <csignal>
#include <cstdio>
#include <memory>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};

void onSignal(int) {
    const char c = 1;
    [[maybe_unused]] const ssize_t n = ::write(signalPipe[1], &c, 1);
}

// Ctrl-C and SIGTERM end the command's waits; the command then closes what it has open.
void stopOnSignals(QCoreApplication& app, cli::MeterSession& session) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) != 0)
        return;
    struct sigaction action {};
    action.sa_handler = onSignal;
    ::sigemptyset(&action.sa_mask);
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &session, [&session] {
        char c;
        [[maybe_unused]] const ssize_t n = ::read(signalPipe[0], &c, 1);
        session.interrupt();
    });
}

} // namespace

int main(int argc, char* argv[]) {
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    QTextStream out(stdout);
    QTextStream err(stderr);
    // Help and usage errors need no application, so they come back at once.
    const auto parsed = cli::parseArguments(args);
    if (const auto* help = std::get_if<cli::HelpText>(&parsed)) {
        out << help->text;
        return cli::kDone;
    }
    if (const auto* usage = std::get_if<cli::UsageError>(&parsed)) {
        err << "luxpanel-cli: " << usage->message << '\n';
        return cli::kUsage;
    }
    const cli::Invocation& inv = std::get<cli::Invocation>(parsed);

    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("luxpanel-cli"));
    if (inv.command == QLatin1String("ports"))
        return cli::runPorts(inv, out);
    if (inv.command == QLatin1String("stats"))
        return cli::runStats(inv, out, err);
    if (inv.command == QLatin1String("export"))
        return cli::runExport(inv, out, err);

    QString device = cli::deviceForPort(inv.port);
    std::unique_ptr<QTemporaryDir> simFolder;
    std::unique_ptr<sim::SimulatedMeter> simMeter;
    if (inv.port == QLatin1String("sim")) {
        simFolder = std::make_unique<QTemporaryDir>();
        device = simFolder->filePath(QStringLiteral("ttySIM"));
        simMeter = std::make_unique<sim::SimulatedMeter>(device);
        QString why;
        if (!simFolder->isValid() || !simMeter->start(&why)) {
            err << "luxpanel-cli: the simulated meter did not start: " << why << '\n';
            return cli::kPortNotOpened;
        }
    }

    // serve never gives up on the meter: it reports it down after --timeout and keeps trying.
    const bool serving = inv.command == QLatin1String("serve");
    cli::MeterSession session(serving ? 0.0 : inv.timeout);
    QString why;
    if (!session.open(device, &why)) {
        err << "luxpanel-cli: " << why << '\n';
        return cli::kPortNotOpened;
    }
    // The open port needs its link no more. Gone now, the folder is not left behind by a run
    // that is killed, which no clean-up of ours would see.
    if (simFolder)
        simFolder->remove();
    stopOnSignals(app, session);
    if (inv.command == QLatin1String("read"))
        return cli::runRead(session, inv, out);
    if (inv.command == QLatin1String("record"))
        return cli::runRecord(session, inv, err);
    if (inv.command == QLatin1String("download"))
        return cli::runDownload(session, inv, out, err);
    if (serving)
        return cli::runServe(session, inv, err);
    if (inv.command == QLatin1String("clock"))
        return cli::runClock(session, inv, out);
    return cli::runErase(session);
}
