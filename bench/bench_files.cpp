// Data file and list figures: opening a 100,000-line file into the file list, saving and
// plotting 100,000 rows, and one sample appended to a 100,000-row live list. Prints
// "name: value unit" lines.

#include "bench_prompts.h"
#include "figures.h"
#include "graphs/graph.h"
#include "graphs/graph_window.h"
#include "graphs/graphs.h"
#include "link/display_stream.h"
#include "link/exchange_queue.h"
#include "link/meter_link.h"
#include "link/qt_serial_port.h"
#include "link/waiter.h"
#include "lists/list_window.h"
#include "paint_counter.h"
#include "platform/grid.h"
#include "recording/list_windows.h"
#include "recording/recording_state.h"
#include "shared/session.h"
#include "text/data_file.h"
#include "text/time_stamp.h"

#include <QApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <vector>

namespace {

constexpr int kRows = 100000;
constexpr int kRuns = 7;

// A recording of 100,000 readings, as the PC recording writes it.
bool writeRecording(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    QByteArray all = textrules::recordingLine(QStringLiteral("Lx"), QStringLiteral("Time"),
                                              QStringLiteral("Value"));
    const QDateTime start(QDate(2026, 12, 7), QTime(14, 5, 9));
    for (int n = 1; n <= kRows; ++n)
        all += textrules::recordingLine(QString::number(n),
                                        textrules::sampleTimeStamp(start.addSecs(n)),
                                        QString::number(100.0 + (n * 7919) % 1000 / 10.0, 'f', 1));
    return f.write(all) == all.size();
}

struct Rig {
    shared::Session session;
    BenchPrompts prompts;
    meterlink::QtSerialPort port;
    meterlink::EventLoopWaiter waiter;
    meterlink::MeterLink link{port, waiter, session.link};
    meterlink::DisplayStream polling{link, session.display, nullptr,
                                     meterlink::DisplayStream::Cadence::Panel};
    meterlink::ExchangeQueue& exchanges = link.exchanges();
    graphs::Graphs graphs{session, prompts, exchanges};
    recording::ListWindows windows{session, prompts, polling, exchanges, graphs};
    QWidget mainWindow;
};

std::optional<double> openFile(Rig& rig) {
    std::vector<double> times;
    for (int run = 0; run < kRuns; ++run) {
        QElapsedTimer t;
        t.start();
        rig.windows.OpenDataFile(&rig.mainWindow);
        recording::FileList* list = rig.windows.fileList();
        if (!list || list->grid().Rows() != kRows + 1) {
            fail("open_100k_file_ms", "the file list did not get 100000 rows");
            return std::nullopt;
        }
        PaintCounter painted(list->grid().viewport());
        if (!waitForPaint(painted)) {
            fail("open_100k_file_ms", "the file list did not paint within 2 s");
            return std::nullopt;
        }
        times.push_back(msSince(t));
    }
    return median(times);
}

std::optional<double> plotList(Rig& rig) {
    recording::FileList* list = rig.windows.fileList();
    graphs::GraphWindow& plot = rig.graphs.plotWindow();
    PaintCounter painted(plot.Graph1()->surface());
    std::vector<double> times;
    for (int run = 0; run < kRuns; ++run) {
        QElapsedTimer t;
        t.start();
        list->Plot();
        if (!waitForPaint(painted)) {
            fail("plot_100k_rows_ms", "the Plot window did not paint within 2 s");
            return std::nullopt;
        }
        times.push_back(msSince(t));
    }
    if (plot.Graph1()->plotPointCount() == 0) {
        fail("plot_100k_rows_ms", "the Plot window plotted no point");
        return std::nullopt;
    }
    return median(times);
}

// Fills a live list with 100,000 rows at once, as appending them one by one would.
recording::RealTimeList& fullLiveList(Rig& rig) {
    recording::RealTimeList& list = rig.windows.showRealTimeList(&rig.mainWindow);
    std::vector<QString> cells;
    cells.reserve(size_t(kRows) * 3);
    for (int n = 1; n <= kRows; ++n) {
        cells.push_back(QString::number(n));
        cells.push_back(QStringLiteral("07-14:05:09"));
        cells.push_back(QStringLiteral("123.4"));
    }
    list.grid().appendRows(std::move(cells));
    QCoreApplication::processEvents(); // laid out, so that the view knows its height
    // Where 100,000 appends one by one would have left the view: the newest row at the foot.
    list.grid().setTopRow(list.grid().Rows() - lists::ListWindow::kVisibleRows);
    return list;
}

std::optional<double> saveList(Rig& rig, const QString& path) {
    recording::RealTimeList& list = fullLiveList(rig);
    rig.prompts.savePath = path;
    std::vector<double> times;
    for (int run = 0; run < kRuns; ++run) {
        QFile::remove(path);
        QElapsedTimer t;
        t.start();
        list.Save();
        times.push_back(msSince(t));
        if (rig.prompts.messages > 0 || QFileInfo(path).size() < kRows * 20) {
            fail("save_100k_rows_ms", "the list was not saved whole");
            return std::nullopt;
        }
    }
    return median(times);
}

std::optional<double> appendSample(Rig& rig) {
    recording::RealTimeList* list = rig.windows.realTimeList();
    platform::Grid& grid = list->grid();
    QCoreApplication::processEvents();
    std::vector<double> times;
    for (int n = kRows + 1; n <= kRows + 1000; ++n) {
        const QString line = QString::number(n) + QStringLiteral("\t07-14:05:09\t123.4");
        QElapsedTimer t;
        t.start();
        list->appendSample(line);
        times.push_back(double(t.nsecsElapsed()) / 1e3);
        if (n % 100 == 0)
            QCoreApplication::processEvents();
    }
    const QRect newest = grid.visualRect(grid.model()->index(grid.Rows() - 2, 0));
    if (!grid.viewport()->rect().contains(newest)) {
        fail("list_append_us", "the newest row is not in view");
        return std::nullopt;
    }
    return median(times);
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    Rig rig;
    rig.mainWindow.setGeometry(0, 0, 400, 300);
    rig.mainWindow.show();
    rig.prompts.openPath = dir.filePath(QStringLiteral("recording.txt"));
    if (!writeRecording(rig.prompts.openPath)) {
        fail("open_100k_file_ms", "the data file could not be written");
        return 1;
    }

    const bool opened = report("open_100k_file_ms", openFile(rig), "ms");
    bool ok = opened ? report("plot_100k_rows_ms", plotList(rig), "ms")
                     : fail("plot_100k_rows_ms", "no file list to plot");
    ok = report("save_100k_rows_ms", saveList(rig, dir.filePath(QStringLiteral("list.txt"))),
                "ms") &&
         ok;
    ok = report("list_append_us", appendSample(rig), "us") && ok;
    return opened && ok ? 0 : 1;
}
