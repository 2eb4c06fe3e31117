// Figures of the analysis core: all the figures over the real-time chart's full history.
#include "analysis/figures.h"
#include "figures.h"

#include <QCoreApplication>
#include <QDateTime>

#include <cmath>
#include <vector>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const char* figure = "stats_864k_ms";
    // The history as the chart keeps it: 864,000 readings half a second apart, a few over range.
    std::vector<float> history(864000);
    for (size_t i = 0; i < history.size(); ++i)
        history[i] = i % 50000 == 7 ? 1000000.0f
                                    : 500.0f + 200.0f * float(std::sin(double(i) * 0.0005)) +
                                          float((i * 7919) % 101) * 0.5f;
    const QDateTime start(QDate(2026, 12, 1), QTime(8, 0));
    analysis::FigureOptions options;
    options.ppfdPerLux = 0.0185;
    options.budgetLuxHours = 150000.0;
    options.low = 300.0;
    options.high = 700.0;
    std::vector<double> times;
    qsizetype valid = 0;
    for (int run = 0; run < 11; ++run) {
        QElapsedTimer t;
        t.start();
        const analysis::Series series =
            analysis::seriesFromHistory(history, QStringLiteral("Lx"), start, 0.5, 1000000.0f);
        const analysis::Figures f = analysis::computeFigures(series, options);
        times.push_back(msSince(t));
        valid = f.valid;
    }
    if (valid != 864000 - 18) {
        fail(figure, QStringLiteral("the figures did not count every valid reading"));
        return 1;
    }
    return report(figure, median(times), "ms") ? 0 : 1;
}
