#pragma once

#include <QProcess>
#include <QString>

namespace app {

// The simulated meter run as a child process (metersim, installed beside the program) on a
// pseudo-terminal of its own. It is stopped when this object goes.
class SimulatorProcess {
public:
    ~SimulatorProcess();
    // Starts metersim and waits until its port exists; on failure says why.
    bool start(QString* why);
    QString linkPath() const { return linkPath_; }

private:
    QProcess process_;
    QString linkPath_;
};

} // namespace app
