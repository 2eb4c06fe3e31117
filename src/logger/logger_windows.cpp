#include "logger/logger_windows.h"

#include "link/meter_link.h"
#include "logger/data_list.h"
#include "logger/logger_record.h"
#include "logger/memory_image.h"
#include "logger/memory_window.h"
#include "platform/grid.h"
#include "platform/keep_until_closed.h"
#include "platform/prompts.h"
#include "recording/meter_clock.h"
#include "shared/session.h"

#include <QDate>
#include <QTimer>

#include <algorithm>

namespace logger {

namespace {

constexpr double kAfterQueryWait = 0.2;
// Between two reads of the transfer: the window stays live, and no core spins.
constexpr double kReceivePassWait = 0.05;
// Rows listed between two progress captions.
constexpr qsizetype kListBlockRows = 4096;

} // namespace

LoggerWindows::LoggerWindows(shared::Session& session, meterlink::MeterLink& link,
                             platform::Prompts& prompts, QTimer& timer1, int& pollCounter,
                             graphs::Graphs& graphs, QWidget* mainWindow)
    : session_(session), link_(link), prompts_(prompts), timer1_(timer1), pollCounter_(pollCounter),
      graphs_(graphs), mainWindow_(mainWindow) {}

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
    QByteArray reply;
    qsizetype expected = 0;
    const Transfer transfer = receiveMemory(reply, expected);
    if (transfer == Transfer::ShuttingDown)
        return;
    QString outcome;
    switch (transfer) {
    case Transfer::Empty:
        outcome = kNoDataText;
        break;
    case Transfer::ImpossibleEnd:
        outcome = kImpossibleEndText.arg(quint32(session_.link.PollValue));
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
        if (!outcome.isEmpty() && transfer != Transfer::Cancelled) {
            prompts_.message(mainWindow_, platform::MessageIcon::Critical, outcome);
            state.MemoryWindowOpen = false;
        }
        resumePolling();
        return;
    }
    resumePolling();
    memory_->setDownloadRunning(false);
    if (!outcome.isEmpty()) {
        memory_->showMessage(outcome);
        return;
    }
    SetScan scan = scanSets(memoryImage(reply, expected));
    state.LoggerSets = std::move(scan.sets);
    memory_->listSets(state.LoggerSets);
    if (scan.end == SetScan::End::NoSetAtStart)
        memory_->showMessage(kNoSetText);
    else if (scan.end == SetScan::End::LastSetCutShort)
        memory_->showMessage(kCutShortText);
}

LoggerWindows::Transfer LoggerWindows::receiveMemory(QByteArray& reply, qsizetype& expected) {
    meterlink::ExchangeQueue::Exchange exchange(link_.exchanges());
    const Transfer transfer = transferSteps(reply, expected);
    // Whatever the meter still sends belongs to no exchange.
    if (transfer != Transfer::ShuttingDown)
        link_.port().discardInput();
    return transfer;
}

LoggerWindows::Transfer LoggerWindows::transferSteps(QByteArray& reply, qsizetype& expected) {
    timer1_.stop();
    if (!link_.PollReading())
        return Transfer::ShuttingDown;
    if (quint32(session_.link.PollValue) == kEmptyMemoryEnd)
        return Transfer::Empty;
    // Set as the window opens; closed meanwhile, it cancels.
    QPointer<Memory> window;
    // The transfer stalls when no byte has come for a while since the first "Q".
    double lastArrival = -1.0;
    for (;;) {
        if (!recording::ReturnToNormalDisplay(link_) || !link_.PollReading())
            return Transfer::ShuttingDown;
        const quint32 memoryEnd = quint32(session_.link.PollValue);
        const std::optional<qsizetype> length = expectedReplyLength(memoryEnd);
        if (!length)
            return memoryEnd == kEmptyMemoryEnd ? Transfer::Empty : Transfer::ImpossibleEnd;
        expected = *length;
        if (lastArrival < 0) {
            window = &openMemoryWindow();
            window->setDownloadRunning(true);
            session_.logger.LoggerSets.clear();
        } else if (!window || window->cancelRequested()) {
            return Transfer::Cancelled;
        }
        window->showMemoryFigures(memoryEnd);
        link_.port().discardInput();
        reply.clear();
        link_.send(QByteArrayLiteral("Q"));
        if (lastArrival < 0)
            lastArrival = link_.now();
        if (!link_.WaitSeconds(kAfterQueryWait))
            return Transfer::ShuttingDown;
        for (;;) {
            if (!window || window->cancelRequested())
                return Transfer::Cancelled;
            const QByteArray arrived = link_.port().Input();
            if (!arrived.isEmpty()) {
                lastArrival = link_.now();
                reply += arrived;
            } else if (link_.now() - lastArrival >= kDownloadStallSeconds) {
                return Transfer::Stalled;
            }
            // Nothing at all since "Q": ask again from the start.
            if (reply.isEmpty())
                break;
            window->showMessage(progressText(reply.size(), expected));
            if (reply.size() >= expected)
                return Transfer::Received;
            if (!link_.WaitSeconds(kReceivePassWait))
                return Transfer::ShuttingDown;
        }
    }
}

Memory& LoggerWindows::openMemoryWindow() {
    Memory& window = platform::keepUntilClosed(
        memory_, new Memory(session_, link_, prompts_, timer1_, mainWindow_));
    QObject::connect(&window, &Memory::setChosen, &window, [this](int n) { ShowLoggerSet(n); });
    window.show();
    return window;
}

void LoggerWindows::resumePolling() {
    pollCounter_ = 0;
    session_.logger.MemoryClearBusy = false;
    timer1_.start();
}

void LoggerWindows::ShowLoggerSet(int n) {
    const std::vector<QByteArray>& sets = session_.logger.LoggerSets;
    if (n < 1 || n > int(sets.size()))
        return;
    const QByteArray set = sets[size_t(n - 1)];
    if (dataList_)
        dataList_->close();
    DataList& list =
        platform::keepUntilClosed(dataList_, new DataList(session_, prompts_, timer1_,
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
