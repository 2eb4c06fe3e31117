// Survey figure: a survey of 40 x 40 points printed to a one-page PDF report. Prints
// "name: value unit" lines.

#include "bench_prompts.h"
#include "figures.h"
#include "link/exchange_queue.h"
#include "link/waiter.h"
#include "shared/session.h"
#include "sim/meter_model.h"
#include "survey/survey_file.h"
#include "survey/survey_window.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPrinter>
#include <QPushButton>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <vector>

namespace {

constexpr int kSide = 40;
constexpr int kRuns = 7;
const char* const kFigure = "survey_report_pdf_ms";

// Every point of a 40 x 40 grid over the simulated room, as the meter would show it.
QByteArray fullSurvey() {
    survey::Settings s;
    s.area = QStringLiteral("Open-plan office, 2nd floor");
    s.rows = s.columns = kSide;
    s.spacingX = 9.6 / kSide;
    s.spacingY = 7.2 / kSide;
    survey::SurveyGrid grid(s);
    grid.date = QDate(2024, 5, 7);
    for (int row = 0; row < kSide; ++row)
        for (int column = 0; column < kSide; ++column) {
            const double lux = sim::roomLight(survey::pointX(s, column), survey::pointY(s, row));
            grid.at({row, column}) =
                survey::Reading{QString::number(lux, 'f', 1), survey::LightUnit::Lux,
                                QDateTime(grid.date, QTime(10, 22, 5))};
        }
    return survey::surveyFileText(grid);
}

std::optional<double> reportToPdf() {
    QTemporaryDir dir;
    BenchPrompts prompts;
    prompts.answer = true;
    prompts.openPath = dir.filePath(QStringLiteral("survey.txt"));
    prompts.pdfPath = dir.filePath(QStringLiteral("report.pdf"));
    QFile file(prompts.openPath);
    if (!file.open(QIODevice::WriteOnly) || file.write(fullSurvey()) <= 0) {
        fail(kFigure, QStringLiteral("the survey file could not be written"));
        return std::nullopt;
    }
    file.close();
    shared::Session session;
    meterlink::EventLoopWaiter waiter;
    meterlink::ExchangeQueue exchanges(waiter);
    survey::Survey window(session, exchanges, prompts, nullptr);
    window.show();
    window.findChild<QPushButton*>(QStringLiteral("CmdOpen"))->click();
    if (window.grid().taken() != kSide * kSide) {
        fail(kFigure, QStringLiteral("the survey did not open with every point"));
        return std::nullopt;
    }
    QPushButton* print = window.findChild<QPushButton*>(QStringLiteral("CmdPrint"));
    std::vector<double> times;
    for (int run = 0; run < kRuns; ++run) {
        QFile::remove(prompts.pdfPath);
        QElapsedTimer t;
        t.start();
        print->click();
        const double ms = msSince(t);
        QFile pdf(prompts.pdfPath);
        if (prompts.messages > 0 || !pdf.open(QIODevice::ReadOnly) ||
            pdf.readAll().count("/Type /Page\n") != 1) {
            fail(kFigure, QStringLiteral("the report is not a one-page PDF"));
            return std::nullopt;
        }
        times.push_back(ms);
    }
    return median(times);
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    return report(kFigure, reportToPdf(), "ms") ? 0 : 1;
}
