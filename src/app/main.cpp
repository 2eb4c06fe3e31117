#include "app/program_windows.h"
#include "app/simulator_process.h"
#include "link/meter_link.h"
#include "link/port_choice.h"
#include "link/port_window.h"
#include "link/qt_serial_port.h"
#include "link/waiter.h"
#include "panel/panel.h"
#include "platform/prompts.h"
#include "shared/session.h"

#include <QApplication>
#include <QFileInfo>
#include <QPointer>

#include <memory>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("LuxPanel"));

    shared::Session session;
    meterlink::QtSerialPort port;
    meterlink::EventLoopWaiter waiter;
    meterlink::MeterLink link(port, waiter, session.link);
    platform::DialogPrompts prompts;
    app::SimulatorProcess simulator(QCoreApplication::applicationDirPath() +
                                    QStringLiteral("/metersim"));
    std::unique_ptr<app::ProgramWindows> program;

    // The port window stays until the panel has loaded, so the program has a window meanwhile.
    QPointer<meterlink::Port> portWindow =
        new meterlink::Port(session.link, meterlink::systemSerialDevices());
    auto showPanel = [&] {
        program = std::make_unique<app::ProgramWindows>(session, link, prompts);
        QObject::connect(&program->panel(), &panel::Panel::closing, &application, [&] {
            // Breaks every wait in progress, so the program ends from any state.
            waiter.requestShutdown();
            QCoreApplication::quit();
        });
        if (!program->start()) {
            QCoreApplication::exit(1);
            return;
        }
        if (portWindow)
            portWindow->close();
    };
    QObject::connect(&simulator, &app::SimulatorProcess::ready, &application, [&] {
        session.link.devicePath = simulator.linkPath();
        session.link.linkName = QFileInfo(simulator.linkPath()).fileName();
        showPanel();
    });
    QObject::connect(
        &simulator, &app::SimulatorProcess::failed, &application, [&](const QString& why) {
            prompts.message(portWindow, platform::MessageIcon::Critical, panel::kNoDeviceText, why);
            QCoreApplication::exit(1);
        });
    QObject::connect(portWindow, &meterlink::Port::portChosen, &application,
                     [&](const QString& choice) {
                         if (choice != meterlink::kSimulatedMeterEntry) {
                             showPanel();
                             return;
                         }
                         // The meter's process starts in the background; the window waits.
                         portWindow->setEnabled(false);
                         portWindow->setCursor(Qt::BusyCursor);
                         simulator.start();
                     });
    portWindow->show();
    return QApplication::exec();
}
