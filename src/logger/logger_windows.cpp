#include "logger/logger_windows.h"

#include "link/meter_link.h"
#include "logger/data_list.h"
#include "logger/logger_record.h"
#include "logger/memory_image.h"
#include "logger/memory_window.h"
#include "platform/grid.h"
#include "platform/keep_until_closed.h"
#include "platform/prompts.h"
#include "shared/session.h"

#include <QDate>

#include <algorithm>

namespace logger {

namespace {

// Rows decoded and appended to the grids at a time, each block followed by its progress
// caption. A block lists in well under a screen refresh, so the caption moves on as often as
// it can be drawn, while a long set still takes few appends.
constexpr qsizetype kListBlockRows = 256;

} // namespace

LoggerWindows::LoggerWindows(shared::Session& session, meterlink::MeterLink& link,
                             platform::Prompts& prompts, meterlink::DisplayStream& stream,
                             graphs::Graphs& graphs, QWidget* mainWindow)
    : session_(session), link_(link), prompts_(prompts), stream_(stream), graphs_(graphs),
      mainWindow_(mainWindow) {}

LoggerWindows::~LoggerWindows() {
    // Windows without a main window have no parent to delete them.
    delete memory_.data();
    delete dataList_.data();
}

Memory* LoggerWindows::memoryWindow() const {
    return memory_.data();
}

DataList* LoggerWindows::dataList() const {
    return dataList_.data();
}

void LoggerWindows::DownloadLoggerMemory() {
    LoggerState& state = session_.logger;
    // One window at a time: the one this download opens.
    if (memory_)
        memory_->close();
    // Before the first wait: a second "Memory" meanwhile does nothing.
    state.MemoryWindowOpen = true;
    std::optional<meterlink::DisplayStream::Pause> pause(std::in_place, stream_);
    const MemoryTransfer transfer = receiveMemory();
    if (transfer.outcome == Transfer::ShuttingDown)
        return;
    QString outcome;
    switch (transfer.outcome) {
    case Transfer::Empty:
        outcome = kNoDataText;
        break;
    case Transfer::ImpossibleEnd:
        outcome = kImpossibleEndText.arg(transfer.memoryEnd);
        break;
    case Transfer::Stalled:
        outcome = kStalledText;
        break;
    case Transfer::Cancelled:
        outcome = kCancelledText;
        break;
    case Transfer::Received:
    case Transfer::ShuttingDown:
        break;
    }
    if (!memory_) {
        // Ended before the window opened, or the user closed it.
        if (!outcome.isEmpty() && transfer.outcome != Transfer::Cancelled) {
            prompts_.message(mainWindow_, platform::MessageIcon::Critical, outcome);
            state.MemoryWindowOpen = false;
        }
        resumePolling(pause);
        return;
    }
    resumePolling(pause);
    memory_->setDownloadRunning(false);
    if (!outcome.isEmpty()) {
        memory_->showMessage(outcome);
        return;
    }
    SetScan scan = scanSets(transfer.memory);
    state.LoggerSets = std::move(scan.sets);
    memory_->listSets(state.LoggerSets);
    if (scan.end == SetScan::End::NoSetAtStart)
        memory_->showMessage(kNoSetText);
    else if (scan.end == SetScan::End::LastSetCutShort)
        memory_->showMessage(kCutShortText);
}

MemoryTransfer LoggerWindows::receiveMemory() {
    meterlink::ExchangeQueue::Exchange exchange(link_.exchanges());
    // Set as the window opens; closed meanwhile, it cancels.
    QPointer<Memory> window;
    bool opened = false;
    TransferWatch watch;
    watch.starting = [&](quint32 memoryEnd) {
        if (!opened) {
            opened = true;
            window = &openMemoryWindow();
            window->setDownloadRunning(true);
            session_.logger.LoggerSets.clear();
        }
        if (window)
            window->showMemoryFigures(memoryEnd);
    };
    watch.progress = [&](qsizetype received, qsizetype expected) {
        window->showMessage(progressText(received, expected));
    };
    watch.cancelled = [&] { return !window || window->cancelRequested(); };
    const MemoryTransfer transfer = ReceiveLoggerMemory(link_, watch);
    // Whatever the meter still sends belongs to no exchange.
    if (transfer.outcome != Transfer::ShuttingDown)
        link_.port().discardInput();
    return transfer;
}

Memory& LoggerWindows::openMemoryWindow() {
    Memory& window = platform::keepUntilClosed(
        memory_, new Memory(session_, link_, prompts_, stream_, mainWindow_));
    QObject::connect(&window, &Memory::setChosen, &window, [this](int n) { ShowLoggerSet(n); });
    window.show();
    return window;
}

void LoggerWindows::resumePolling(std::optional<meterlink::DisplayStream::Pause>& pause) {
    stream_.pollOnNextTick();
    session_.logger.MemoryClearBusy = false;
    pause.reset();
}

void LoggerWindows::ShowLoggerSet(int n) {
    const std::vector<QByteArray>& sets = session_.logger.LoggerSets;
    if (n < 1 || n > int(sets.size()))
        return;
    const QByteArray set = sets[size_t(n - 1)];
    if (dataList_)
        dataList_->close();
    DataList& list =
        platform::keepUntilClosed(dataList_, new DataList(session_, prompts_, stream_,
                                                          link_.exchanges(), graphs_, mainWindow_));
    list.show();
    const RecordTimes times(set, QDate::currentDate());
    const qsizetype count = setRecordCount(set);
    for (qsizetype from = 0; from < count; from += kListBlockRows) {
        const qsizetype to = std::min(from + kListBlockRows, count);
        std::vector<QString> lux;
        std::vector<QString> footCandles;
        lux.reserve(size_t(to - from) * 3);
        footCandles.reserve(size_t(to - from) * 3);
        listRecords(set, times, from, to, lux, footCandles);
        list.GridM().appendRows(std::move(lux));
        list.GridI().appendRows(std::move(footCandles));
        list.setWindowTitle(QString::number(100.0 * double(to) / double(count), 'f', 1) +
                            QStringLiteral(" % completed"));
    }
    list.setWindowTitle(QStringLiteral("Data List"));
}

} // namespace logger
