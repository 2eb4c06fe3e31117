#pragma once

#include <QDeadlineTimer>
#include <QObject>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <QTimer>

#include <memory>

namespace app {

// The simulated meter run as a child process (metersim) on a pseudo-terminal of its own, linked
// in a private temporary folder, its logger holding two short sets. Starting does not block:
// ready() or failed() follows. The process is stopped and the folder removed when this object
// goes; if this program dies without that, the simulated meter notices and removes them itself.
class SimulatorProcess : public QObject {
    Q_OBJECT
public:
    static constexpr int kStartTimeoutMs = 5000;

    explicit SimulatorProcess(QString program);
    ~SimulatorProcess() override;

    // Starts metersim; ready() once its port exists, or failed() with the reason.
    void start();
    QString linkPath() const { return linkPath_; }

Q_SIGNALS:
    void ready();
    void failed(const QString& why);

private:
    void checkLink();
    void fail(const QString& why);

    QString program_;
    QProcess process_;
    std::unique_ptr<QTemporaryDir> folder_;
    QString linkPath_;
    QTimer linkWatch_;
    QDeadlineTimer deadline_;
    bool failedOnce_ = false;
};

} // namespace app
