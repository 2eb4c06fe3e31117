#include "lists/list_window.h"

#include "lists/summary_line.h"

#include "analysis/figure_text.h"
#include "graphs/csv_file.h"
#include "graphs/statistics_panel.h"
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
#include <QDialog>
#include <QHeaderView>
#include <QScrollBar>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

#include <optional>

namespace lists {

namespace {

constexpr int kTimeColumn = 1;
constexpr int kValueColumn = 2;

// The unit in the header's first cell; a list without a header row has none.
QString listUnit(const platform::Grid& grid) {
    const QString& header = grid.Text(0, 0);
    return header == QLatin1String("No.s") ? QString() : header;
}

} // namespace

ListWindow::ListWindow(const QString& name, const QString& caption, platform::Prompts& prompts,
                       meterlink::DisplayStream& stream, meterlink::ExchangeQueue& exchanges,
                       QWidget* parent)
    : QWidget(parent, Qt::Window), prompts_(prompts), stream_(stream), exchanges_(exchanges),
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
    summary_ = new SummaryLine(this);
    summary_->setObjectName(QStringLiteral("Summary"));
    summary_->setText(analysis::summaryLine(analysis::RunningSummary(), QString()));
    column->addWidget(summary_);
}

void ListWindow::addButton(const QString& key, const QString& tip, const QString& icon,
                           std::function<void()> handler) {
    addAction(key, key, tip, icon, std::move(handler));
}

void ListWindow::addAnalysisButtons() {
    addAction(QStringLiteral("Statistics"), QStringLiteral("Statistics\u2026"),
              QStringLiteral("Statistics\u2026"), QStringLiteral(":/icons/statistics.svg"),
              [this] { showStatistics(); });
    addAction(QStringLiteral("ExportCsv"), QStringLiteral("Export CSV\u2026"),
              QStringLiteral("Export CSV\u2026"), QStringLiteral(":/icons/export_csv.svg"),
              [this] { exportCsv(); });
}

void ListWindow::addAction(const QString& key, const QString& text, const QString& tip,
                           const QString& icon, std::function<void()> handler) {
    auto* button = new QAction(QIcon(icon), text, toolbar_);
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
    // Above the summary line.
    static_cast<QVBoxLayout*>(layout())->insertWidget(layout()->count() - 1, grid);
    const QString widths[] = {QStringLiteral(" 000000AAA "), QStringLiteral(" DD-HH:NN:SS "),
                              QStringLiteral(" AAAAAAA ")};
    const QString headers[] = {firstHeader, QStringLiteral("Time"), QStringLiteral("Value")};
    int gridWidth = 2 * grid->frameWidth() + grid->verticalScrollBar()->sizeHint().width();
    for (int c = 0; c < textrules::kDataColumns; ++c) {
        grid->fitColWidth(c, widths[c]);
        grid->setText(0, c, headers[c]);
        gridWidth += grid->ColWidth(c);
    }
    // Connected once the header is written: the window is still being built until then.
    summaries_[grid];
    // Only the rows appended are read, so a row costs the same however long the list is.
    connect(grid->model(), &QAbstractItemModel::rowsInserted, this,
            [this, grid](const QModelIndex&, int first, int last) {
                analysis::RunningSummary& s = summaries_[grid];
                for (int r = first + 1; r <= last + 1; ++r)
                    s.add(grid->Text(r, kTimeColumn), grid->Text(r, kValueColumn));
                // Written once the appending is over, not for every row of a burst: the line's
                // text costs more than the row itself.
                if (grid == &shownGrid() && !summaryDue_) {
                    summaryDue_ = true;
                    QTimer::singleShot(0, this, [this] {
                        summaryDue_ = false;
                        refreshSummary();
                    });
                }
            });
    connect(grid->model(), &QAbstractItemModel::headerDataChanged, this, [this, grid] {
        if (grid == &shownGrid())
            refreshSummary();
    });
    const int gridHeight = 2 * grid->frameWidth() + grid->horizontalHeader()->sizeHint().height() +
                           kVisibleRows * grid->verticalHeader()->defaultSectionSize();
    // The grid's columns set the window's width, not the summary: a wider live list costs more
    // for every row appended, as the grid scrolls its whole width. The summary has room to go
    // on below.
    summary_->setFixedHeight(summary_->heightFor(2));
    resize(gridWidth, toolbar_->sizeHint().height() + gridHeight + summary_->height());
    return grid;
}

void ListWindow::refreshSummary() {
    const platform::Grid& grid = shownGrid();
    summary_->setText(analysis::summaryLine(summaries_[&grid], listUnit(grid)));
}

analysis::Readings ListWindow::shownReadings() const {
    const platform::Grid& grid = shownGrid();
    std::vector<QString> stamps;
    std::vector<QString> readings;
    stamps.reserve(size_t(std::max(grid.Rows() - 1, 0)));
    readings.reserve(stamps.capacity());
    for (int r = 1; r < grid.Rows(); ++r) {
        stamps.push_back(grid.Text(r, kTimeColumn));
        readings.push_back(grid.Text(r, kValueColumn));
    }
    return analysis::Readings::fromRows(std::move(stamps), std::move(readings), listUnit(grid),
                                        fileTime_ ? analysis::Calendar::FileModified
                                                  : analysis::Calendar::RecordedUpTo,
                                        fileTime_.value_or(clock_()));
}

void ListWindow::showStatistics() {
    if (!statistics_) {
        statistics_ = new QDialog(this);
        statistics_->setObjectName(QStringLiteral("ListStatistics"));
        auto* column = new QVBoxLayout(statistics_);
        column->addWidget(new graphs::StatisticsPanel(statistics_));
        statistics_->resize(graphs::StatisticsPanel::kWidth + 24, 560);
    }
    statistics_->setWindowTitle(QStringLiteral("Statistics \u2013 ") + windowTitle());
    auto* panel = statistics_->findChild<graphs::StatisticsPanel*>();
    // The panel works its figures out when it shows, or at once when it already does: a long
    // list takes a moment.
    platform::BusyCursor busy;
    auto readings = std::make_shared<const analysis::Readings>(shownReadings());
    const qsizetype rows = readings->size();
    panel->showReadings(std::move(readings), 0, rows,
                        rows == 1 ? QStringLiteral("The list's one row")
                                  : QStringLiteral("All %1 rows of the list").arg(rows));
    statistics_->show();
    statistics_->raise();
    statistics_->activateWindow();
}

void ListWindow::setSourceFile(const QFileInfo& file) {
    fileTime_ = file.lastModified();
    sourcePath_ = file.filePath();
}

QString ListWindow::proposedFileName(const QString& extension) const {
    if (!sourcePath_.isEmpty())
        return platform::exportFileName(sourcePath_, extension);
    return platform::datedFileName(
        windowTitle(), analysis::firstRowTime(shownReadings()).value_or(clock_()), extension);
}

void ListWindow::exportCsv() {
    const platform::Grid& grid = shownGrid();
    graphs::exportCsv(
        prompts_, this, proposedFileName(QStringLiteral("csv")), fileTime_.has_value(),
        listUnit(grid), [this, &grid] {
            std::vector<analysis::RowText> rows;
            rows.reserve(size_t(std::max(grid.Rows() - 1, 0)));
            for (int r = 1; r < grid.Rows(); ++r)
                rows.push_back({grid.Text(r, kTimeColumn), grid.Text(r, kValueColumn)});
            return analysis::csvRows(rows, fileTime_.value_or(clock_()));
        });
}

void ListWindow::Print() {
    PrintGrid(*this, shownGrid(), stream_, prompts_, proposedFileName(QStringLiteral("pdf")));
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
    ChooseSaveFile(prompts_, this, state, proposedFileName(QStringLiteral("txt")));
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
    GridToPlot(g, 2, float(g.Rows() - 1), first, first, g.Text(0, 0), graphs,
               std::make_shared<const analysis::Readings>(shownReadings()));
}

void ListWindow::closeEvent(QCloseEvent* event) {
    emit closed();
    QWidget::closeEvent(event);
}

} // namespace lists
