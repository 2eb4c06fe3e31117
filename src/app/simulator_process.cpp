#include "app/simulator_process.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QThread>

namespace app {

namespace {
constexpr int kStartTimeoutMs = 5000;
}

SimulatorProcess::~SimulatorProcess() {
    if (process_.state() == QProcess::NotRunning)
        return;
    process_.terminate();
    if (!process_.waitForFinished(1000))
        process_.kill();
    process_.waitForFinished(1000);
}

bool SimulatorProcess::start(QString* why) {
    const QString program = QCoreApplication::applicationDirPath() + QStringLiteral("/metersim");
    if (!QFileInfo(program).isExecutable()) {
        *why = QStringLiteral("The simulated meter (%1) is not installed.").arg(program);
        return false;
    }
    const QString folder = QDir::temp().filePath(
        QStringLiteral("luxpanel-%1").arg(QCoreApplication::applicationPid()));
    linkPath_ = folder + QStringLiteral("/ttySIM");
    // Started from a terminal, the simulated meter takes its commands there ("key F",
    // "unplug 3", "help"): keys pressed on the meter's side show on the panel.
    process_.setProcessChannelMode(QProcess::ForwardedChannels);
    process_.setInputChannelMode(QProcess::ForwardedInputChannel);
    process_.start(program,
                   {QStringLiteral("--link"), linkPath_, QStringLiteral("--exit-with-parent")});
    if (!process_.waitForStarted(kStartTimeoutMs)) {
        *why = QStringLiteral("The simulated meter did not start: %1").arg(process_.errorString());
        return false;
    }
    const QDeadlineTimer deadline(kStartTimeoutMs);
    while (!QFileInfo::exists(linkPath_)) {
        if (deadline.hasExpired() || process_.state() != QProcess::Running) {
            *why = QStringLiteral("The simulated meter did not open its port %1.").arg(linkPath_);
            return false;
        }
        QThread::msleep(20); // start-up only, before any window shows
    }
    return true;
}

} // namespace app
