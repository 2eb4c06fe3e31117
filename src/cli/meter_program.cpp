#include "cli/meter_program.h"

#include "cli/meter_commands.h"
#include "sim/simulated_meter.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTemporaryDir>
#include <QTextStream>

#include <csignal>
#include <memory>
#include <sys/socket.h>
#include <unistd.h>

namespace cli {

namespace {

int signalPipe[2] = {-1, -1};

void onSignal(int) {
    const char c = 1;
    [[maybe_unused]] const ssize_t n = ::write(signalPipe[1], &c, 1);
}

// Ctrl-C and SIGTERM end the command's waits; the command then closes what it has open.
void stopOnSignals(MeterSession& session) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) != 0)
        return;
    struct sigaction action {};
    action.sa_handler = onSignal;
    ::sigemptyset(&action.sa_mask);
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &session);
    QObject::connect(notifier, &QSocketNotifier::activated, &session, [&session] {
        char c;
        [[maybe_unused]] const ssize_t n = ::read(signalPipe[0], &c, 1);
        session.interrupt();
    });
}

} // namespace

void preferQtEventLoop() {
    qputenv("QT_NO_GLIB", "1");
}

int runOnMeter(const Invocation& inv, double timeout, QTextStream& err,
               const std::function<int(MeterSession&)>& run) {
    QString device = deviceForPort(inv.port);
    std::unique_ptr<QTemporaryDir> simFolder;
    std::unique_ptr<sim::SimulatedMeter> simMeter;
    if (inv.port == QLatin1String("sim")) {
        simFolder = std::make_unique<QTemporaryDir>();
        device = simFolder->filePath(QStringLiteral("ttySIM"));
        simMeter = std::make_unique<sim::SimulatedMeter>(device);
        QString why;
        if (!simFolder->isValid() || !simMeter->start(&why)) {
            err << "luxpanel-cli: the simulated meter did not start: " << why << '\n';
            return kPortNotOpened;
        }
    }
    MeterSession session(timeout);
    QString why;
    if (!session.open(device, &why)) {
        err << "luxpanel-cli: " << why << '\n';
        return kPortNotOpened;
    }
    // The open port needs its link no more. Gone now, the folder is not left behind by a run
    // that is killed, which no clean-up of ours would see.
    if (simFolder)
        simFolder->remove();
    stopOnSignals(session);
    return run(session);
}

} // namespace cli
