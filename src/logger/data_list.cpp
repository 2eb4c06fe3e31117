#include "logger/data_list.h"

#include "platform/grid.h"
#include "platform/placement.h"
#include "shared/session.h"

namespace logger {

DataList::DataList(shared::Session& session, platform::Prompts& prompts,
                   meterlink::DisplayStream& stream, meterlink::ExchangeQueue& exchanges,
                   graphs::Graphs& graphs, QWidget* parent)
    : ListWindow(QStringLiteral("DataList"), QStringLiteral("Data List"), prompts, stream,
                 exchanges, parent),
      session_(session), graphs_(graphs) {
    addButton(QStringLiteral("Save"), QStringLiteral("Save As"), QStringLiteral(":/icons/save.svg"),
              [this] { Save(); });
    addButton(QStringLiteral("Plot"), QStringLiteral("Plot"), QStringLiteral(":/icons/graph.svg"),
              [this] { Plot(); });
    addButton(QStringLiteral("Print"), QStringLiteral("Print"), QStringLiteral(":/icons/print.svg"),
              [this] { Print(); });
    addButton(QStringLiteral("Unit"), QStringLiteral("Lx / Fc"), QStringLiteral(":/icons/unit.svg"),
              [this] { Unit(); });
    addAnalysisButtons();
    gridM_ = addGrid(QStringLiteral("GridM"), QStringLiteral("Lx"));
    gridI_ = addGrid(QStringLiteral("GridI"), QStringLiteral("Fc"));
    platform::placeAt(*this, QPoint(0, 0));
    session_.logger.LuxGridShown = !session_.display.status.FcOn;
    showChosenGrid();
}

const platform::Grid& DataList::shownGrid() const {
    return session_.logger.LuxGridShown ? *gridM_ : *gridI_;
}

void DataList::Save() {
    saveShownGrid(session_.recording);
}

void DataList::Plot() {
    plotShownGrid(graphs_);
}

void DataList::Unit() {
    session_.logger.LuxGridShown = !session_.logger.LuxGridShown;
    showChosenGrid();
}

void DataList::showChosenGrid() {
    gridM_->setVisible(session_.logger.LuxGridShown);
    gridI_->setVisible(!session_.logger.LuxGridShown);
    refreshSummary();
}

} // namespace logger
