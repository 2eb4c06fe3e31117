// Logger figures: how close a full download from the simulated meter comes to the line's speed,
// splitting a full logger memory into its sets, and listing the largest possible set into the
// data list. Prints "name: value unit" lines.

#include "bench_prompts.h"
#include "figures.h"
#include "graphs/graphs.h"
#include "link/display_stream.h"
#include "link/meter_link.h"
#include "link/qt_serial_port.h"
#include "link/waiter.h"
#include "logger/data_list.h"
#include "logger/logger_record.h"
#include "logger/logger_windows.h"
#include "logger/memory_download.h"
#include "logger/memory_image.h"
#include "paint_counter.h"
#include "platform/grid.h"
#include "shared/session.h"
#include "sim/simulated_meter.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <vector>

namespace {

constexpr int kRuns = 7;
constexpr int kSplitRuns = 51;
constexpr qsizetype kMemoryBytes = 131071 - 1535;
constexpr qsizetype kLargestSetRecords =
    (kMemoryBytes - logger::kSetHeaderBytes) / logger::kRecordBytes;

// A set of the given number of records, values and ranges varying.
QByteArray makeSet(qsizetype records, int seed) {
    QByteArray set = logger::kSetMarker + QByteArray::fromHex("071405000030");
    const char ranges[] = {0x02, 0x04, 0x08, 0x10, 0x20, 0x40};
    for (qsizetype i = 0; i < records; ++i) {
        const int v = int((i * 7919 + seed) % 65536);
        set.append(char(v >> 8)).append(char(v)).append(ranges[(i + seed) % 6]);
    }
    return set;
}

// A full memory of many sets of 1 to 40 records, the last one filling it up.
QByteArray fullMemory(int& sets) {
    QByteArray memory;
    sets = 0;
    auto add = [&](qsizetype records) { memory += makeSet(records, sets++); };
    while (kMemoryBytes - memory.size() >= 200)
        add(1 + sets % 40);
    while ((kMemoryBytes - memory.size() - logger::kSetHeaderBytes) % logger::kRecordBytes != 0)
        add(1);
    add((kMemoryBytes - memory.size() - logger::kSetHeaderBytes) / logger::kRecordBytes);
    return memory;
}

std::optional<double> split() {
    int sets = 0;
    const QByteArray memory = fullMemory(sets);
    const QByteArray reply = QByteArray(15, char(0xEE)) + memory + QByteArray(1, char(0xEE));
    const std::optional<qsizetype> expected = logger::expectedReplyLength(131071);
    if (!expected || *expected != reply.size()) {
        fail("split_128k_ms", "the reply does not have the length of a full memory");
        return std::nullopt;
    }
    std::vector<double> times;
    for (int run = 0; run < kSplitRuns; ++run) {
        QElapsedTimer t;
        t.start();
        const logger::SetScan scan = logger::scanSets(logger::memoryImage(reply, *expected));
        times.push_back(msSince(t));
        if (scan.end != logger::SetScan::End::Complete || int(scan.sets.size()) != sets) {
            fail("split_128k_ms", "the memory was not split into its sets");
            return std::nullopt;
        }
    }
    return median(times);
}

std::optional<double> listLargestSet() {
    shared::Session session;
    meterlink::QtSerialPort port;
    meterlink::EventLoopWaiter waiter;
    meterlink::MeterLink link(port, waiter, session.link);
    BenchPrompts prompts;
    graphs::Graphs graphs(session, prompts, link.exchanges());
    meterlink::DisplayStream polling(link, session.display, nullptr,
                                     meterlink::DisplayStream::Cadence::Panel);
    logger::LoggerWindows windows(session, link, prompts, polling, graphs, nullptr);
    session.logger.LoggerSets = {makeSet(kLargestSetRecords, 0)};
    std::vector<double> times;
    for (int run = 0; run < kRuns; ++run) {
        QElapsedTimer t;
        t.start();
        windows.ShowLoggerSet(1);
        logger::DataList* list = windows.dataList();
        if (!list || list->GridM().Rows() != kLargestSetRecords + 1 ||
            list->GridI().Rows() != kLargestSetRecords + 1) {
            fail("list_43k_records_ms", "the data list did not get every record");
            return std::nullopt;
        }
        PaintCounter painted(list->shownGrid().viewport());
        if (!waitForPaint(painted)) {
            fail("list_43k_records_ms", "the data list did not paint within 2 s");
            return std::nullopt;
        }
        times.push_back(msSince(t));
    }
    return median(times);
}

// The share of the line's 1920 bytes a second that a download of a full memory uses, from "Q"
// to the last byte.
std::optional<double> wireEfficiency() {
    const char* figure = "logger_download_wire_efficiency_percent";
    // Two sets that fill the memory to its last byte.
    const qsizetype records =
        (kMemoryBytes - 2 * logger::kSetHeaderBytes) / 2 / logger::kRecordBytes;
    const QByteArray memory = makeSet(records, 1) + makeSet(records, 2);
    if (memory.size() != kMemoryBytes) {
        fail(figure, "the memory is not full");
        return std::nullopt;
    }
    QTemporaryDir folder;
    sim::SimulatedMeter meter(folder.filePath(QStringLiteral("ttyBENCH")));
    QString why;
    if (!folder.isValid() || !meter.start(&why)) {
        fail(figure, QStringLiteral("the simulated meter did not start: ") + why);
        return std::nullopt;
    }
    meter.withModel([&](sim::MeterModel& m) { m.loadLoggerMemory(memory); });
    shared::Session session;
    meterlink::QtSerialPort port;
    meterlink::EventLoopWaiter waiter;
    meterlink::MeterLink link(port, waiter, session.link);
    if (!port.open(meter.linkPath(), &why)) {
        fail(figure, why);
        return std::nullopt;
    }
    QElapsedTimer sinceQuery;
    logger::TransferWatch watch;
    watch.starting = [&](quint32) { sinceQuery.start(); };
    meterlink::ExchangeQueue::Exchange exchange(link.exchanges());
    const logger::MemoryTransfer transfer = logger::ReceiveLoggerMemory(link, watch);
    const double seconds = double(sinceQuery.nsecsElapsed()) / 1e9;
    const std::optional<qsizetype> bytes = logger::expectedReplyLength(transfer.memoryEnd);
    if (transfer.outcome != logger::Transfer::Received || !bytes ||
        transfer.memory.left(memory.size()) != memory) {
        fail(figure, "the memory did not arrive whole");
        return std::nullopt;
    }
    return double(*bytes) / (seconds * 1920.0) * 100.0;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    bool ok = report("logger_download_wire_efficiency_percent", wireEfficiency(), "%");
    ok = report("split_128k_ms", split(), "ms") && ok;
    ok = report("list_43k_records_ms", listLargestSet(), "ms") && ok;
    return ok ? 0 : 1;
}
