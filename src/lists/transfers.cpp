#include "lists/transfers.h"

#include "graphs/graphs.h"
#include "link/display_stream.h"
#include "platform/busy_cursor.h"
#include "platform/grid.h"
#include "platform/prompts.h"
#include "shared/session.h"
#include "text/data_file.h"
#include "text/leading_value.h"

#include <QCoreApplication>
#include <QFile>
#include <QFontDatabase>
#include <QPainter>
#include <QPointer>
#include <QPrinter>

#include <algorithm>
#include <optional>

namespace lists {

namespace {

// Setting a caption costs a few microseconds; on every row it would double the time a long
// list takes to save.
constexpr int kCaptionEveryRows = 1000;
constexpr qsizetype kWriteBlockBytes = 65536;

QStringList rowCells(const platform::Grid& grid, int row) {
    QStringList cells;
    cells.reserve(grid.Cols());
    for (int c = 0; c < grid.Cols(); ++c)
        cells.append(grid.Text(row, c));
    return cells;
}

} // namespace

void ChooseSaveFile(platform::Prompts& prompts, QWidget* parent, recording::RecordingState& state,
                    const QString& proposedName) {
    const QString path =
        prompts.saveFile(parent, platform::FileKind::DataFile, kDataFileFilter, proposedName);
    if (path.isEmpty())
        return;
    state.SavePath = path;
    state.SavePathChosen = true;
}

std::optional<SaveFailure> SaveGridToFile(QWidget& window, const platform::Grid& grid,
                                          recording::RecordingState& state) {
    const QString caption = window.windowTitle();
    QFile file(state.SavePath);
    const bool opened = file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    bool written = opened;
    QByteArray block;
    auto writeBlock = [&] {
        written = file.write(block) == block.size();
        block.clear();
    };
    for (int r = 0; written && r < grid.Rows(); ++r) {
        if (r % kCaptionEveryRows == 0)
            window.setWindowTitle(QString::number(r) + QStringLiteral(" Records Completed"));
        block.append(textrules::gridLine(rowCells(grid, r)));
        if (block.size() >= kWriteBlockBytes)
            writeBlock();
    }
    if (written && !block.isEmpty())
        writeBlock();
    written = written && file.flush();
    const QString why = file.errorString();
    file.close();
    window.setWindowTitle(caption);
    state.SavePathChosen = false;
    if (written)
        return std::nullopt;
    return SaveFailure{opened ? QStringLiteral("The file is incomplete: writing it failed.")
                              : QStringLiteral("The file could not be written."),
                       state.SavePath + QStringLiteral(": ") + why};
}

bool PrintGrid(QWidget& window, const platform::Grid& grid, meterlink::DisplayStream& stream,
               platform::Prompts& prompts, const QString& proposedName) {
    QPrinter printer(QPrinter::HighResolution);
    if (!prompts.chooseReportPrinter(&window, printer, proposedName))
        return false;
    std::optional<platform::BusyCursor> busy(std::in_place);
    std::optional<meterlink::DisplayStream::Pause> pause(std::in_place, stream);
    const QString caption = window.windowTitle();
    // Events run after every line: the window, and its grid, may close meanwhile.
    QPointer<QWidget> windowAlive(&window);
    QPointer<const platform::Grid> gridAlive(&grid);
    QPainter painter;
    bool printed = painter.begin(&printer);
    if (printed) {
        // Fixed-pitch, so that the padded columns line up.
        QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        font.setPointSize(10);
        painter.setFont(font);
        const QFontMetrics metrics = painter.fontMetrics();
        const int pageHeight = painter.viewport().height();
        int y = 0;
        for (int r = 0; windowAlive && gridAlive && r < grid.Rows(); ++r) {
            const QString line =
                textrules::printLine(grid.Text(r, 0), grid.Text(r, 1), grid.Text(r, 2));
            window.setWindowTitle(QString::number(r) + QStringLiteral(" record(s) completed"));
            QCoreApplication::processEvents();
            if (!windowAlive || !gridAlive)
                break;
            if (y > 0 && y + metrics.height() > pageHeight) {
                if (!printer.newPage()) {
                    printed = false;
                    break;
                }
                y = 0;
            }
            painter.drawText(0, y + metrics.ascent(), line);
            y += metrics.lineSpacing();
        }
        printed = painter.end() && printed;
    }
    busy.reset();
    pause.reset();
    if (windowAlive)
        window.setWindowTitle(caption);
    if (!printed)
        prompts.message(windowAlive, platform::MessageIcon::Critical,
                        QStringLiteral("The list could not be printed."), printer.outputFileName());
    return printed;
}

void GridToPlot(const platform::Grid& grid, int column, float count, float min, float max,
                const QString& unit, graphs::Graphs& graphs,
                std::shared_ptr<const analysis::Readings> readings) {
    const int n = std::max(grid.Rows() - 1, 0);
    std::vector<float> values(size_t(n), 0.0f);
    for (int r = 1; r <= n; ++r) {
        const float v = float(textrules::readingValue(grid.Text(r, column)));
        max = std::max(max, v);
        min = std::min(min, v);
        values[size_t(r - 1)] = v;
    }
    graphs.fillPlot(values, count, min, max, unit, std::move(readings));
}

} // namespace lists
