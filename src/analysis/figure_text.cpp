#include "analysis/figure_text.h"

#include "analysis/running_summary.h"

#include <algorithm>
#include <cmath>

namespace analysis {

namespace {

constexpr int kSignificantDigits = 4;
constexpr int kMostDecimals = 6;

// " Lx" or " Fc" after a reading; a list without a known unit shows bare numbers.
QString unitSuffix(const QString& unit) {
    if (unit == QLatin1String("Lx") || unit == QLatin1String("Fc"))
        return QLatin1Char(' ') + unit;
    return {};
}

QString percent(double part, double whole) {
    return figureNumber(100.0 * part / whole) + QStringLiteral(" %");
}

} // namespace

QString figureNumber(double v) {
    if (!std::isfinite(v))
        return kNotEnoughReadings;
    int decimals = 0;
    if (v != 0.0)
        decimals = std::clamp(kSignificantDigits - 1 - int(std::floor(std::log10(std::abs(v)))), 0,
                              kMostDecimals);
    QString text = QString::number(v, 'f', decimals);
    if (text.contains(QLatin1Char('.'))) {
        while (text.endsWith(QLatin1Char('0')))
            text.chop(1);
        if (text.endsWith(QLatin1Char('.')))
            text.chop(1);
    }
    if (text == QLatin1String("-0"))
        return QStringLiteral("0");
    return text;
}

QString durationText(double seconds) {
    const qint64 tenths = std::llround(std::max(seconds, 0.0) * 10.0);
    const qint64 whole = tenths / 10;
    QString text = QStringLiteral("%1:%2:%3")
                       .arg(whole / 3600 % 24, 2, 10, QLatin1Char('0'))
                       .arg(whole / 60 % 60, 2, 10, QLatin1Char('0'))
                       .arg(whole % 60, 2, 10, QLatin1Char('0'));
    if (tenths % 10 != 0)
        text += QLatin1Char('.') + QString::number(tenths % 10);
    if (whole >= 86400)
        text = QString::number(whole / 86400) + QStringLiteral(" d ") + text;
    return text;
}

QString projectionText(const Figures& f) {
    if (!f.projectedAnnualLuxHours)
        return kNeedsAWholeDay;
    return figureNumber(*f.projectedAnnualLuxHours) + QStringLiteral(" lx\u00b7h, from ") +
           (f.projectionDays == 1 ? QStringLiteral("1 whole day")
                                  : QStringLiteral("%1 whole days").arg(f.projectionDays));
}

QList<FigureLine> figureLines(const Figures& f, const Readings& r, const FigureOptions& options) {
    const QString unit = unitSuffix(r.unit());
    auto reading = [&](double v) { return figureNumber(v) + unit; };
    auto orNotEnough = [&](const std::optional<double>& v) {
        return v ? reading(*v) : kNotEnoughReadings;
    };
    QList<FigureLine> lines{
        {QStringLiteral("Rows"), QString::number(f.rows)},
        {QStringLiteral("Valid"), QString::number(f.valid)},
        {QStringLiteral("Over range"), QString::number(f.overRange)},
    };
    if (f.rows > 0)
        lines << FigureLine{QStringLiteral("First"), rowTimeText(r, f.firstRow)}
              << FigureLine{QStringLiteral("Last"), rowTimeText(r, f.lastRow)}
              << FigureLine{QStringLiteral("Duration"), durationText(f.durationSeconds)};
    if (f.valid == 0 || !f.min || !f.max) {
        lines << FigureLine{kNoValidReading, QString()};
        return lines;
    }
    lines << FigureLine{QStringLiteral("Minimum"),
                        reading(f.min->value) + QStringLiteral(" at ") + rowTimeText(r, f.min->row)}
          << FigureLine{QStringLiteral("Maximum"),
                        reading(f.max->value) + QStringLiteral(" at ") + rowTimeText(r, f.max->row)}
          << FigureLine{QStringLiteral("Mean"), orNotEnough(f.mean)}
          << FigureLine{QStringLiteral("Median"), orNotEnough(f.median)}
          << FigureLine{QStringLiteral("Std. deviation"), orNotEnough(f.stdev)}
          << FigureLine{QStringLiteral("Time-weighted mean"), orNotEnough(f.timeWeightedMean)};
    QString exposure = figureNumber(f.exposureLuxHours) + QStringLiteral(" lx\u00b7h");
    if (f.exposureFootCandleHours)
        exposure += QStringLiteral(", ") + figureNumber(*f.exposureFootCandleHours) +
                    QStringLiteral(" fc\u00b7h");
    lines << FigureLine{QStringLiteral("Exposure"), exposure}
          << FigureLine{QStringLiteral("Slots left out"), QString::number(f.leftOutSlots)};
    for (const DailyIntegral& d : f.dailyIntegral)
        lines << FigureLine{
            QStringLiteral("DLI, day %1").arg(d.date.day(), 2, 10, QLatin1Char('0')),
            figureNumber(d.molPerM2) + QStringLiteral(" mol/m\u00b2/d")};
    if (f.budgetShare && options.budgetLuxHours)
        lines << FigureLine{QStringLiteral("Budget share"),
                            percent(*f.budgetShare, 1.0) + QStringLiteral(" of ") +
                                figureNumber(*options.budgetLuxHours) +
                                QStringLiteral(" lx\u00b7h")};
    if (options.budgetLuxHours)
        lines << FigureLine{QStringLiteral("A year at this rate"), projectionText(f)};
    if (f.band && options.low && options.high) {
        const double low = std::min(*options.low, *options.high);
        const double high = std::max(*options.low, *options.high);
        const BandTimes& b = *f.band;
        const double whole = b.belowSeconds + b.withinSeconds + b.aboveSeconds;
        auto share = [&](double seconds) {
            QString text = durationText(seconds);
            if (whole > 0.0)
                text += QStringLiteral(" (") + percent(seconds, whole) + QLatin1Char(')');
            return text;
        };
        lines << FigureLine{QStringLiteral("Below ") + reading(low), share(b.belowSeconds)}
              << FigureLine{figureNumber(low) + QStringLiteral(" to ") + reading(high),
                            share(b.withinSeconds)}
              << FigureLine{QStringLiteral("Above ") + reading(high), share(b.aboveSeconds)};
    }
    return lines;
}

QString summaryLine(const RunningSummary& s, const QString& unit) {
    QString text = QString::number(s.rows()) +
                   (s.rows() == 1 ? QStringLiteral(" row") : QStringLiteral(" rows"));
    if (!s.min() || !s.max() || !s.mean())
        return text + QStringLiteral(" \u00b7 ") + kNoValidReading;
    return text +
           QStringLiteral(" \u00b7 min %1 \u00b7 max %2 \u00b7 mean %3%4 \u00b7 %5 lx\u00b7h")
               .arg(figureNumber(*s.min()), figureNumber(*s.max()), figureNumber(*s.mean()),
                    unitSuffix(unit),
                    figureNumber(s.exposureUnitHours() *
                                 (unit == QLatin1String("Fc") ? kExactLuxPerFootCandle : 1.0)));
}

} // namespace analysis
