#include "app/simulator_process.h"

#include <QDir>
#include <QFileInfo>

namespace app {

namespace {
constexpr int kLinkCheckMs = 20;
}

SimulatorProcess::SimulatorProcess(QString program) : program_(std::move(program)) {
    linkWatch_.setInterval(kLinkCheckMs);
    connect(&linkWatch_, &QTimer::timeout, this, &SimulatorProcess::checkLink);
    connect(&process_, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            fail(QStringLiteral("The simulated meter did not start: %1")
                     .arg(process_.errorString()));
    });
}

SimulatorProcess::~SimulatorProcess() {
    linkWatch_.stop();
    // Nothing may be reported from here on.
    process_.disconnect(this);
    if (process_.state() == QProcess::NotRunning)
        return;
    process_.terminate();
    if (!process_.waitForFinished(1000))
        process_.kill();
    process_.waitForFinished(1000);
}

void SimulatorProcess::start() {
    if (!QFileInfo(program_).isExecutable()) {
        fail(QStringLiteral("The simulated meter (%1) is not installed.").arg(program_));
        return;
    }
    // A private folder with a name no one can guess or take first.
    folder_ =
        std::make_unique<QTemporaryDir>(QDir::temp().filePath(QStringLiteral("luxpanel-XXXXXX")));
    if (!folder_->isValid()) {
        fail(QStringLiteral("No folder for the simulated meter: %1").arg(folder_->errorString()));
        return;
    }
    linkPath_ = folder_->filePath(QStringLiteral("ttySIM"));
    // Started from a terminal, the simulated meter takes its commands there ("key F",
    // "unplug 3", "help"): keys pressed on the meter's side show on the panel.
    process_.setProcessChannelMode(QProcess::ForwardedChannels);
    process_.setInputChannelMode(QProcess::ForwardedInputChannel);
    // A logger with sets in it, so that "Memory" has something to show from the start.
    process_.start(program_,
                   {QStringLiteral("--link"), linkPath_, QStringLiteral("--sample-sets"),
                    QStringLiteral("--exit-with-parent"), QStringLiteral("--remove-folder")});
    deadline_.setRemainingTime(kStartTimeoutMs);
    linkWatch_.start();
}

void SimulatorProcess::checkLink() {
    if (QFileInfo::exists(linkPath_)) {
        linkWatch_.stop();
        Q_EMIT ready();
        return;
    }
    if (process_.state() == QProcess::NotRunning || deadline_.hasExpired())
        fail(QStringLiteral("The simulated meter did not open its port %1 within %2 s.")
                 .arg(linkPath_)
                 .arg(kStartTimeoutMs / 1000));
}

void SimulatorProcess::fail(const QString& why) {
    // Reported once: a process that fails to start also stops the link watch's wait.
    if (failedOnce_)
        return;
    failedOnce_ = true;
    linkWatch_.stop();
    Q_EMIT failed(why);
}

} // namespace app
