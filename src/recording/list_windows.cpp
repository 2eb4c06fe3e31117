#include "recording/list_windows.h"

#include "link/exchange_queue.h"
#include "platform/busy_cursor.h"
#include "platform/grid.h"
#include "platform/keep_until_closed.h"
#include "platform/prompts.h"
#include "recording/data_file.h"
#include "recording/transfers.h"
#include "shared/session.h"

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

namespace {

// A toolbar button, its key as objectName.
QAction* addButton(QToolBar* toolbar, const QString& key, const QString& tip, const QString& icon) {
    auto* action = new QAction(QIcon(icon), key, toolbar);
    action->setObjectName(key);
    action->setData(key);
    action->setToolTip(tip);
    toolbar->addAction(action);
    return action;
}

} // namespace

ListWindow::ListWindow(const QString& name, const QString& caption, const FirstButton& first,
                       platform::Prompts& prompts, QTimer& timer1,
                       meterlink::ExchangeQueue& exchanges, QWidget* panel)
    : QWidget(panel, Qt::Window), prompts_(prompts), timer1_(timer1), exchanges_(exchanges),
      toolbar_(new QToolBar(this)), grid_(new platform::Grid(kDataColumns, this)) {
    setObjectName(name);
    setWindowTitle(caption);
    setAttribute(Qt::WA_DeleteOnClose);
    toolbar_->setObjectName(QStringLiteral("Toolbar1"));
    toolbar_->setIconSize(QSize(24, 24));
    firstButton_ = addButton(toolbar_, first.key, first.tip, first.icon);
    onClick(addButton(toolbar_, QStringLiteral("Print"), QStringLiteral("Print"),
                      QStringLiteral(":/icons/print.svg")),
            [this] { Print(); });
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(toolbar_);
    column->addWidget(grid_);

    if (panel) {
        const QRect main = panel->frameGeometry();
        move(main.x() + main.width(), main.y());
    }
    const QFontMetrics metrics = fontMetrics();
    const QString widths[] = {QStringLiteral(" 000000AAA "), QStringLiteral(" DD-HH:NN:SS "),
                              QStringLiteral(" AAAAAAA ")};
    const QString headers[] = {QStringLiteral("No.s"), QStringLiteral("Time"),
                               QStringLiteral("Value")};
    int gridWidth = 2 * grid_->frameWidth() + grid_->verticalScrollBar()->sizeHint().width();
    for (int c = 0; c < kDataColumns; ++c) {
        grid_->setColWidth(c, metrics.horizontalAdvance(widths[c]));
        grid_->setText(0, c, headers[c]);
        gridWidth += grid_->ColWidth(c);
    }
    const int gridHeight = 2 * grid_->frameWidth() +
                           grid_->horizontalHeader()->sizeHint().height() +
                           kVisibleRows * grid_->verticalHeader()->defaultSectionSize();
    resize(gridWidth, toolbar_->sizeHint().height() + gridHeight);
}

void ListWindow::onClick(QAction* button, std::function<void()> handler) {
    const QString key = objectName() + QLatin1Char('.') + button->objectName();
    connect(button, &QAction::triggered, this,
            [this, key, handler] { exchanges_.request(key, this, handler); });
}

void ListWindow::Print() {
    PrintGrid(*this, *grid_, timer1_, prompts_);
}

void ListWindow::closeEvent(QCloseEvent* event) {
    emit closed();
    QWidget::closeEvent(event);
}

RealTimeList::RealTimeList(shared::Session& session, platform::Prompts& prompts, QTimer& timer1,
                           meterlink::ExchangeQueue& exchanges, QWidget* panel)
    : ListWindow(
          QStringLiteral("RealTimeList"), QStringLiteral("Real Time List"),
          {QStringLiteral("Save"), QStringLiteral("Save As"), QStringLiteral(":/icons/save.svg")},
          prompts, timer1, exchanges, panel),
      session_(session) {
    onClick(firstButton(), [this] { Save(); });
    session_.recording.ListUnit = session_.display.UnitText;
    grid().setText(0, 0, session_.recording.ListUnit);
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
    RecordingState& r = session_.recording;
    if (r.FileRecording) {
        prompts_.message(this, platform::MessageIcon::Critical,
                         QStringLiteral("Aready in recording mode, close it and try again !"));
        return;
    }
    ChooseSaveFile(prompts_, this, r);
    if (r.SavePathChosen)
        SaveGridToFile(*this, grid(), r, prompts_);
}

void RealTimeList::closeEvent(QCloseEvent* event) {
    session_.recording.ListRecording = false;
    session_.recording.ListSampleCount = 0;
    ListWindow::closeEvent(event);
}

FileList::FileList(platform::Prompts& prompts, QTimer& timer1, meterlink::ExchangeQueue& exchanges,
                   graphs::Graphs& graphs, QWidget* panel)
    : ListWindow(
          QStringLiteral("FileList"), QStringLiteral("File List"),
          {QStringLiteral("Plot"), QStringLiteral("Plot"), QStringLiteral(":/icons/graph.svg")},
          prompts, timer1, exchanges, panel),
      graphs_(graphs) {
    onClick(firstButton(), [this] { Plot(); });
}

void FileList::Plot() {
    const platform::Grid& g = grid();
    if (g.Rows() < 2)
        return;
    // The range starts at the first value; "OL" and the like count as 1000000.
    const float first = float(readingValue(g.Text(1, 2)));
    GridToPlot(g, 2, float(g.Rows() - 1), first, first, g.Text(0, 0), graphs_);
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
    DataFileContents contents = readDataFile(file);
    if (contents.hasHeader)
        list.grid().setText(0, 0, contents.unit);
    const qsizetype rows = contents.rowCount();
    list.grid().appendRows(std::move(contents.rows));
    busy.reset();
    if (contents.end == DataFileContents::End::ReadFailed) {
        // As far as it got; the rows read so far stay.
        list.setWindowTitle(QString::number(rows) + QStringLiteral(" Records Completed"));
        return;
    }
    list.setWindowTitle(info.fileName());
    if (contents.end == DataFileContents::End::TooManyRows)
        prompts_.message(
            &list, platform::MessageIcon::Information,
            QStringLiteral("Only the first %1 records of the file are listed.").arg(kMaxDataRows));
}

} // namespace recording
