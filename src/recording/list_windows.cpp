#include "recording/list_windows.h"

#include "link/exchange_queue.h"
#include "platform/busy_cursor.h"
#include "platform/grid.h"
#include "platform/keep_until_closed.h"
#include "platform/placement.h"
#include "platform/prompts.h"
#include "recording/transfers.h"
#include "shared/session.h"
#include "text/data_file.h"
#include "text/leading_value.h"

#include <QAction>
#include <QCloseEvent>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QScrollBar>
#include <QToolBar>
#include <QVBoxLayout>

#include <optional>

namespace recording {

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

void ListWindow::saveShownGrid(RecordingState& state) {
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

RealTimeList::RealTimeList(shared::Session& session, platform::Prompts& prompts, QTimer& timer1,
                           meterlink::ExchangeQueue& exchanges, QWidget* panel)
    : ListWindow(QStringLiteral("RealTimeList"), QStringLiteral("Real Time List"), prompts, timer1,
                 exchanges, panel),
      session_(session) {
    addButton(QStringLiteral("Save"), QStringLiteral("Save As"), QStringLiteral(":/icons/save.svg"),
              [this] { Save(); });
    addButton(QStringLiteral("Print"), QStringLiteral("Print"), QStringLiteral(":/icons/print.svg"),
              [this] { Print(); });
    session_.recording.ListUnit = session_.display.UnitText;
    grid_ = addGrid(QStringLiteral("Grid"), session_.recording.ListUnit);
    platform::placeBeside(*this, panel);
}

void RealTimeList::appendSample(const QString& line) {
    platform::Grid& g = grid();
    g.AddItem(line);
    const int last = g.Rows() - 1;
    g.setRow(last);
    if (last > kVisibleRows)
        g.setTopRow(g.TopRow() + 1);
}

void RealTimeList::Save() {
    saveShownGrid(session_.recording);
}

void RealTimeList::closeEvent(QCloseEvent* event) {
    session_.recording.ListRecording = false;
    session_.recording.ListSampleCount = 0;
    ListWindow::closeEvent(event);
}

FileList::FileList(platform::Prompts& prompts, QTimer& timer1, meterlink::ExchangeQueue& exchanges,
                   graphs::Graphs& graphs, QWidget* panel)
    : ListWindow(QStringLiteral("FileList"), QStringLiteral("File List"), prompts, timer1,
                 exchanges, panel),
      graphs_(graphs) {
    addButton(QStringLiteral("Plot"), QStringLiteral("Plot"), QStringLiteral(":/icons/graph.svg"),
              [this] { Plot(); });
    addButton(QStringLiteral("Print"), QStringLiteral("Print"), QStringLiteral(":/icons/print.svg"),
              [this] { Print(); });
    grid_ = addGrid(QStringLiteral("Grid"), QStringLiteral("No.s"));
    platform::placeBeside(*this, panel);
}

void FileList::Plot() {
    plotShownGrid(graphs_);
}

ListWindows::ListWindows(shared::Session& session, platform::Prompts& prompts, QTimer& timer1,
                         meterlink::ExchangeQueue& exchanges, graphs::Graphs& graphs)
    : session_(session), prompts_(prompts), timer1_(timer1), exchanges_(exchanges),
      graphs_(graphs) {}

ListWindows::~ListWindows() {
    // Windows without a main window have no parent to delete them.
    delete realTimeList_.data();
    delete fileList_.data();
}

RealTimeList& ListWindows::showRealTimeList(QWidget* panel) {
    if (!realTimeList_)
        platform::keepUntilClosed(realTimeList_,
                                  new RealTimeList(session_, prompts_, timer1_, exchanges_, panel));
    realTimeList_->show();
    realTimeList_->raise();
    return *realTimeList_;
}

RealTimeList* ListWindows::realTimeList() const {
    return realTimeList_.data();
}

void ListWindows::unloadRealTimeList() {
    if (realTimeList_)
        realTimeList_->close();
}

FileList* ListWindows::fileList() const {
    return fileList_.data();
}

void ListWindows::OpenDataFile(QWidget* panel) {
    if (session_.recording.FileRecording) {
        prompts_.message(panel, platform::MessageIcon::Critical,
                         QStringLiteral("Recording Mode!\n\rPlease stop recording!"));
        return;
    }
    const QString path = prompts_.openFileName(panel, kAllFilesFilter);
    const QFileInfo info(path);
    if (path.isEmpty() || info.fileName().isEmpty())
        return;
    if (fileList_)
        fileList_->close();
    // Only a plain file has an end: a device such as /dev/zero would be read for ever.
    QFile file(path);
    if (!info.isFile() || !file.open(QIODevice::ReadOnly))
        return;
    FileList& list = platform::keepUntilClosed(
        fileList_, new FileList(prompts_, timer1_, exchanges_, graphs_, panel));
    list.show();
    std::optional<platform::BusyCursor> busy(std::in_place);
    textrules::DataFileContents contents = textrules::readDataFile(file);
    if (contents.hasHeader)
        list.grid().setText(0, 0, contents.unit);
    const qsizetype rows = contents.rowCount();
    list.grid().appendRows(std::move(contents.rows));
    busy.reset();
    if (contents.end == textrules::DataFileContents::End::ReadFailed) {
        // As far as it got; the rows read so far stay.
        list.setWindowTitle(QString::number(rows) + QStringLiteral(" Records Completed"));
        return;
    }
    list.setWindowTitle(info.fileName());
    if (contents.end == textrules::DataFileContents::End::TooManyRows)
        prompts_.message(&list, platform::MessageIcon::Information,
                         QStringLiteral("Only the first %1 records of the file are listed.")
                             .arg(textrules::kMaxDataRows));
}

} // namespace recording
