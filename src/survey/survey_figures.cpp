#include "survey/survey_figures.h"

#include "graphs/number_format.h"

#include <algorithm>
#include <cmath>

namespace survey {

namespace {

constexpr int kRatioDecimals = 2;
constexpr int kMostAverageDecimals = 3;
const QString kNone = QStringLiteral("-");

// At least, allowing for the last bit of a quotient such as 300 / 500.
bool atLeast(double value, double required) {
    return value >= required - 1e-9 * std::max(1.0, std::abs(required));
}

} // namespace

QString cutNumber(double v, int decimals) {
    const double scale = std::pow(10.0, decimals);
    const double scaled = v * scale;
    const double cut = std::floor(scaled + 1e-9 * std::max(1.0, std::abs(scaled)));
    return QString::number(cut / scale, 'f', decimals);
}

Figures surveyFigures(const SurveyGrid& grid) {
    Figures f;
    f.total = grid.pointCount();
    f.unit = grid.unit();
    double sum = 0.0;
    for (const auto& r : grid.readings) {
        if (!r)
            continue;
        const double v = readingNumber(r->text);
        if (f.taken == 0 || v < f.minimum) {
            f.minimum = v;
            f.minimumText = r->text;
        }
        if (f.taken == 0 || v > f.maximum) {
            f.maximum = v;
            f.maximumText = r->text;
        }
        f.decimals = std::max(f.decimals, readingDecimals(r->text));
        sum += v;
        ++f.taken;
    }
    if (f.taken == 0)
        return f;
    f.average = sum / f.taken;
    if (f.average > 0.0)
        f.uniformity = f.minimum / f.average;
    if (f.maximum > 0.0)
        f.diversity = f.minimum / f.maximum;
    const Settings& s = grid.settings;
    f.levelMet = atLeast(toLux(f.average, *f.unit), toLux(s.requiredLevel, s.levelUnit));
    // Readings all zero have no uniformity: only a requirement of none is met.
    f.uniformityMet =
        f.uniformity ? atLeast(*f.uniformity, s.requiredUniformity) : s.requiredUniformity <= 0.0;
    if (f.taken == f.total)
        f.verdict = f.levelMet && f.uniformityMet ? Verdict::Pass : Verdict::Fail;
    return f;
}

QStringList FigureTexts::lines() const {
    return {taken, average, minimum, maximum, uniformity, diversity, verdict};
}

FigureTexts figureTexts(const SurveyGrid& grid, const Figures& f) {
    const QString unit = f.unit ? QLatin1Char(' ') + unitText(*f.unit) : QString();
    auto ratio = [](const std::optional<double>& r) {
        return r ? cutNumber(*r, kRatioDecimals) : kNone;
    };
    const bool any = f.taken > 0;
    const int averageDecimals = std::min(f.decimals + 1, kMostAverageDecimals);
    FigureTexts t;
    t.taken = QStringLiteral("Points: %1 of %2").arg(f.taken).arg(f.total);
    t.average =
        QStringLiteral("Average: ") + (any ? cutNumber(f.average, averageDecimals) + unit : kNone);
    t.minimum = QStringLiteral("Minimum: ") + (any ? f.minimumText + unit : kNone);
    t.maximum = QStringLiteral("Maximum: ") + (any ? f.maximumText + unit : kNone);
    t.uniformity = QStringLiteral("Uniformity (min/avg): ") + ratio(f.uniformity);
    t.diversity = QStringLiteral("Diversity (min/max): ") + ratio(f.diversity);
    const Settings& s = grid.settings;
    switch (f.verdict) {
    case Verdict::Incomplete:
        t.verdict =
            QStringLiteral("Verdict: incomplete, %1 of %2 points taken").arg(f.taken).arg(f.total);
        break;
    case Verdict::Pass:
        t.verdict = QStringLiteral("Verdict: PASS");
        break;
    case Verdict::Fail: {
        QStringList why;
        if (!f.levelMet)
            why << QStringLiteral("average below %1 %2")
                       .arg(graphs::formatNumber(s.requiredLevel, QStringLiteral("0.##")),
                            unitText(s.levelUnit));
        if (!f.uniformityMet)
            why << QStringLiteral("uniformity below %1")
                       .arg(QString::number(s.requiredUniformity, 'f', kRatioDecimals));
        t.verdict = QStringLiteral("Verdict: FAIL, ") + why.join(QStringLiteral(", "));
        break;
    }
    }
    return t;
}

QString requirementText(const Settings& s) {
    return QStringLiteral("Required: %1 %2 maintained, uniformity %3")
        .arg(graphs::formatNumber(s.requiredLevel, QStringLiteral("0.##")), unitText(s.levelUnit),
             QString::number(s.requiredUniformity, 'f', kRatioDecimals));
}

QStringList reportLines(const SurveyGrid& grid, const QDate& date) {
    const Settings& s = grid.settings;
    const QString length = unitText(s.lengthUnit);
    auto spacing = [](double v) { return graphs::formatNumber(v, QStringLiteral("0.###")); };
    QStringList lines{
        QStringLiteral("Area: %1").arg(s.area.isEmpty() ? QStringLiteral("(not named)") : s.area),
        QStringLiteral("Date: %1").arg(date.toString(Qt::ISODate)),
        QStringLiteral("Grid: %1 rows x %2 columns, %3 %4 between columns, %5 %6 between rows")
            .arg(s.rows)
            .arg(s.columns)
            .arg(spacing(s.spacingX), length, spacing(s.spacingY), length),
        requirementText(s)};
    return lines + figureTexts(grid, surveyFigures(grid)).lines();
}

} // namespace survey
