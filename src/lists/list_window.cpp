#include "lists/list_window.h"

#include "link/exchange_queue.h"
#include "lists/transfers.h"
#include "platform/busy_cursor.h"
#include "platform/grid.h"
#include "platform/prompts.h"
#include "shared/session.h"
#include "text/data_file.h"
#include "text/leading_value.h"

#include <QAction>
#include <QCloseEvent>
#include <QHeaderView>
#include <QScrollBar>
#include <QToolBar>
#include <QVBoxLayout>

#include <optional>

namespace lists {

ListWindow::ListWindow(const QString& name, const QString& caption, platform::Prompts& prompts,
                       QTimer& timer1, meterlink::ExchangeQueue& exchanges, QWidget* parent)
    : QWidget(parent, Qt::Window), prompts_(prompts), timer1_(timer1), exchanges_(exchanges),
      toolbar_(new QToolBar(this)) {
    setObjectName(name);
    setWindowTitle(caption);
    setAttribute(Qt::WA_DeleteOnClose);
    toolbar_->setObjectName(QStringLiteral("Toolbar1"));
    toolbar_->setIconSize(QSize(24, 24));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(toolbar_);
}

void ListWindow::addButton(const QString& key, const QString& tip, const QString& icon,
                           std::function<void()> handler) {
    auto* button = new QAction(QIcon(icon), key, toolbar_);
    button->setObjectName(key);
    button->setData(key);
    button->setToolTip(tip);
    toolbar_->addAction(button);
    const QString queueKey = objectName() + QLatin1Char('.') + key;
    connect(button, &QAction::triggered, this, [this, queueKey, handler = std::move(handler)] {
        exchanges_.request(queueKey, this, handler);
    });
}

platform::Grid* ListWindow::addGrid(const QString& name, const QString& firstHeader) {
    auto* grid = new platform::Grid(textrules::kDataColumns, this);
    grid->setObjectName(name);
    layout()->addWidget(grid);
    const QString widths[] = {QStringLiteral(" 000000AAA "), QStringLiteral(" DD-HH:NN:SS "),
                              QStringLiteral(" AAAAAAA ")};
    const QString headers[] = {firstHeader, QStringLiteral("Time"), QStringLiteral("Value")};
    int gridWidth = 2 * grid->frameWidth() + grid->verticalScrollBar()->sizeHint().width();
    for (int c = 0; c < textrules::kDataColumns; ++c) {
        grid->fitColWidth(c, widths[c]);
        grid->setText(0, c, headers[c]);
        gridWidth += grid->ColWidth(c);
    }
    const int gridHeight = 2 * grid->frameWidth() + grid->horizontalHeader()->sizeHint().height() +
                           kVisibleRows * grid->verticalHeader()->defaultSectionSize();
    resize(gridWidth, toolbar_->sizeHint().height() + gridHeight);
    return grid;
}

void ListWindow::Print() {
    PrintGrid(*this, shownGrid(), timer1_, prompts_);
}

void ListWindow::saveShownGrid(recording::RecordingState& state) {
    if (state.FileRecording) {
        prompts_.message(this, platform::MessageIcon::Critical,
                         QStringLiteral("Aready in recording mode, close it and try again !"));
        return;
    }
    // Busy from the save dialog to the end of the write; a failure is told with the normal
    // pointer.
    std::optional<platform::BusyCursor> busy(std::in_place);
    ChooseSaveFile(prompts_, this, state);
    if (!state.SavePathChosen)
        return;
    const std::optional<SaveFailure> failure = SaveGridToFile(*this, shownGrid(), state);
    busy.reset();
    if (failure)
        prompts_.message(this, platform::MessageIcon::Critical, failure->text, failure->detail);
}

void ListWindow::plotShownGrid(graphs::Graphs& graphs) {
    const platform::Grid& g = shownGrid();
    if (g.Rows() < 2)
        return;
    // The range starts at the first value; "OL" and the like count as 1000000.
    const float first = float(textrules::readingValue(g.Text(1, 2)));
    GridToPlot(g, 2, float(g.Rows() - 1), first, first, g.Text(0, 0), graphs);
}

void ListWindow::closeEvent(QCloseEvent* event) {
    emit closed();
    QWidget::closeEvent(event);
}

} // namespace lists
