#include "app/simulator_process.h"
#include "graphs/graphs.h"
#include "link/meter_link.h"
#include "link/port_choice.h"
#include "link/port_window.h"
#include "link/qt_serial_port.h"
#include "link/waiter.h"
#include "logger/logger_windows.h"
#include "panel/panel.h"
#include "platform/prompts.h"
#include "recording/list_windows.h"
#include "recording/meter_time_windows.h"
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
    graphs::Graphs graphWindows(session, prompts, link.exchanges());
    std::unique_ptr<panel::Panel> mainWindow;
    // Built with the panel, whose polling timer they stop and restart; gone before it.
    std::unique_ptr<recording::ListWindows> lists;
    std::unique_ptr<recording::MeterTimeWindows> meterTime;
    std::unique_ptr<logger::LoggerWindows> loggerWindows;

    // The port window stays until the panel has loaded, so the program has a window meanwhile.
    QPointer<meterlink::Port> portWindow =
        new meterlink::Port(session.link, meterlink::systemSerialDevices());
    auto showPanel = [&] {
        mainWindow = std::make_unique<panel::Panel>(session, link, prompts);
        QObject::connect(mainWindow.get(), &panel::Panel::closing, &application, [&] {
            // Breaks every wait in progress, so the program ends from any state.
            waiter.requestShutdown();
            QCoreApplication::quit();
        });
        lists = std::make_unique<recording::ListWindows>(session, prompts, mainWindow->Timer1(),
                                                         link.exchanges(), graphWindows);
        meterTime = std::make_unique<recording::MeterTimeWindows>(session, link, prompts,
                                                                  mainWindow->Timer1());
        loggerWindows = std::make_unique<logger::LoggerWindows>(
            session, link, prompts, mainWindow->Timer1(), mainWindow->PollCounter, graphWindows,
            mainWindow.get());
        commands::ToolbarActions& actions = mainWindow->toolbar().actions();
        actions.ShowRealTimeGraph = [&] { graphWindows.showRealTimeAll(mainWindow.get()); };
        actions.OpenDataFile = [&] { lists->OpenDataFile(mainWindow.get()); };
        actions.StartRealTimeList = [&] {
            lists->showRealTimeList(mainWindow.get());
            session.recording.ListRecording = true;
        };
        actions.ShowSamplingChoice = [&] { meterTime->showSamplingChoice(mainWindow.get()); };
        actions.ShowClockWindow = [&] { meterTime->showClockWindow(mainWindow.get()); };
        actions.DownloadLoggerMemory = [&] { loggerWindows->DownloadLoggerMemory(); };
        mainWindow->listSink.append = [&](const QString& row) {
            recording::RealTimeList* list = lists->realTimeList();
            (list ? *list : lists->showRealTimeList(mainWindow.get())).appendSample(row);
        };
        mainWindow->listSink.unload = [&] { lists->unloadRealTimeList(); };
        if (!mainWindow->Load()) {
            QCoreApplication::exit(1);
            return;
        }
        mainWindow->show();
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
