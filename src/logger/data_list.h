#pragma once

#include "lists/list_window.h"

namespace shared {
struct Session;
}

namespace logger {

// "Data List": the records of one logger set twice, in lux (GridM) and in foot-candles (GridI),
// one table shown at a time. "Save", "Plot" and "Print" take the shown table; "Unit" switches.
class DataList : public lists::ListWindow {
    Q_OBJECT
public:
    // The load: at the screen's top-left corner, both tables with their header rows only; the
    // one in the unit the meter displays is shown, lux unless it displays foot-candles.
    DataList(shared::Session& session, platform::Prompts& prompts, meterlink::DisplayStream& stream,
             meterlink::ExchangeQueue& exchanges, graphs::Graphs& graphs, QWidget* parent);

    platform::Grid& GridM() const { return *gridM_; }
    platform::Grid& GridI() const { return *gridI_; }
    const platform::Grid& shownGrid() const override;

    void Save();
    void Plot();
    void Unit();

private:
    void showChosenGrid();

    shared::Session& session_;
    graphs::Graphs& graphs_;
    platform::Grid* gridM_;
    platform::Grid* gridI_;
};

} // namespace logger
