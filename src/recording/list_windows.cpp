#include "recording/list_windows.h"

#include "lists/transfers.h"
#include "platform/busy_cursor.h"
#include "platform/grid.h"
#include "platform/keep_until_closed.h"
#include "platform/placement.h"
#include "platform/prompts.h"
#include "shared/session.h"
#include "text/data_file.h"

#include <QCloseEvent>
#include <QFile>
#include <QFileInfo>

#include <optional>

namespace recording {

RealTimeList::RealTimeList(shared::Session& session, platform::Prompts& prompts,
                           meterlink::DisplayStream& stream, meterlink::ExchangeQueue& exchanges,
                           QWidget* panel)
    : ListWindow(QStringLiteral("RealTimeList"), QStringLiteral("Real Time List"), prompts, stream,
                 exchanges, panel),
      session_(session) {
    addButton(QStringLiteral("Save"), QStringLiteral("Save As"), QStringLiteral(":/icons/save.svg"),
              [this] { Save(); });
    addButton(QStringLiteral("Print"), QStringLiteral("Print"), QStringLiteral(":/icons/print.svg"),
              [this] { Print(); });
    addAnalysisButtons();
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
    lists::ListWindow::closeEvent(event);
}

FileList::FileList(platform::Prompts& prompts, meterlink::DisplayStream& stream,
                   meterlink::ExchangeQueue& exchanges, graphs::Graphs& graphs, QWidget* panel)
    : ListWindow(QStringLiteral("FileList"), QStringLiteral("File List"), prompts, stream,
                 exchanges, panel),
      graphs_(graphs) {
    addButton(QStringLiteral("Plot"), QStringLiteral("Plot"), QStringLiteral(":/icons/graph.svg"),
              [this] { Plot(); });
    addButton(QStringLiteral("Print"), QStringLiteral("Print"), QStringLiteral(":/icons/print.svg"),
              [this] { Print(); });
    addAnalysisButtons();
    grid_ = addGrid(QStringLiteral("Grid"), QStringLiteral("No.s"));
    platform::placeBeside(*this, panel);
}

void FileList::Plot() {
    plotShownGrid(graphs_);
}

ListWindows::ListWindows(shared::Session& session, platform::Prompts& prompts,
                         meterlink::DisplayStream& stream, meterlink::ExchangeQueue& exchanges,
                         graphs::Graphs& graphs)
    : session_(session), prompts_(prompts), stream_(stream), exchanges_(exchanges),
      graphs_(graphs) {}

ListWindows::~ListWindows() {
    // Windows without a main window have no parent to delete them.
    delete realTimeList_.data();
    delete fileList_.data();
}

RealTimeList& ListWindows::showRealTimeList(QWidget* panel) {
    if (!realTimeList_)
        platform::keepUntilClosed(realTimeList_,
                                  new RealTimeList(session_, prompts_, stream_, exchanges_, panel));
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
    const QString path =
        prompts_.openFile(panel, platform::FileKind::DataFile, lists::kAllFilesFilter);
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
        fileList_, new FileList(prompts_, stream_, exchanges_, graphs_, panel));
    list.setSourceFile(info);
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
