#include "app/program_windows.h"

#include "app/about.h"
#include "graphs/graphs.h"
#include "link/meter_link.h"
#include "logger/logger_windows.h"
#include "panel/panel.h"
#include "recording/list_windows.h"
#include "recording/meter_time_windows.h"
#include "shared/session.h"

#include <QAction>

namespace app {

ProgramWindows::ProgramWindows(shared::Session& session, meterlink::MeterLink& link,
                               platform::Prompts& prompts)
    : session_(session), prompts_(prompts),
      graphs_(std::make_unique<graphs::Graphs>(session, prompts, link.exchanges())),
      panel_(std::make_unique<panel::Panel>(session, link, prompts)),
      lists_(std::make_unique<recording::ListWindows>(session, prompts, panel_->stream(),
                                                      link.exchanges(), *graphs_)),
      meterTime_(
          std::make_unique<recording::MeterTimeWindows>(session, link, prompts, panel_->stream())),
      logger_(std::make_unique<logger::LoggerWindows>(session, link, prompts, panel_->stream(),
                                                      *graphs_, panel_.get())) {
    panel::Panel* main = panel_.get();
    commands::ToolbarActions& actions = main->toolbar().actions();
    actions.ShowRealTimeGraph = [this, main] { graphs_->showRealTimeAll(main); };
    actions.OpenDataFile = [this, main] { lists_->OpenDataFile(main); };
    actions.StartRealTimeList = [this, main] {
        lists_->showRealTimeList(main);
        session_.recording.ListRecording = true;
    };
    actions.ShowSamplingChoice = [this, main] { meterTime_->showSamplingChoice(main); };
    actions.ShowClockWindow = [this, main] { meterTime_->showClockWindow(main); };
    actions.DownloadLoggerMemory = [this] { logger_->DownloadLoggerMemory(); };
    main->listSink.append = [this, main](const QString& row) {
        recording::RealTimeList* list = lists_->realTimeList();
        (list ? *list : lists_->showRealTimeList(main)).appendSample(row);
    };
    main->listSink.unload = [this] { lists_->unloadRealTimeList(); };

    // On the panel but off its toolbar, whose buttons are the meter's functions.
    auto* about = new QAction(kAboutCaption, main);
    about->setObjectName(QStringLiteral("About"));
    about->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F1));
    main->addAction(about);
    main->setContextMenuPolicy(Qt::ActionsContextMenu);
    QObject::connect(about, &QAction::triggered, main,
                     [this, main] { (new About(prompts_, main))->open(); });
}

ProgramWindows::~ProgramWindows() = default;

bool ProgramWindows::start() {
    if (!panel_->Load())
        return false;
    panel_->show();
    return true;
}

} // namespace app
