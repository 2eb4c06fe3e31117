#pragma once

#include "analysis/figures.h"
#include "analysis/readings.h"

#include <QList>
#include <QString>

namespace analysis {

class RunningSummary;

// Shown where a range holds no valid reading, instead of any number.
inline const QString kNoValidReading = QStringLiteral("No valid reading.");
// Shown for a figure that needs more readings than the range holds.
inline const QString kNotEnoughReadings = QStringLiteral("not enough readings");

// A figure as the windows show it.
struct FigureLine {
    QString name;
    QString value;
    bool operator==(const FigureLine&) const = default;
};

// Said instead of a year's projection from a record that covers no day from midnight to
// midnight.
inline const QString kNeedsAWholeDay = QStringLiteral("needs a whole day of readings");

// A figure's number: four significant digits (more before the point when the number is
// larger), no exponent, "." as the point, no trailing zeros.
QString figureNumber(double v);

// A span of time as hh:mm:ss, with whole days in front ("2 d 03:00:00") and tenths where the
// span has them.
QString durationText(double seconds);

// "A year at this rate": the projected dose and the whole days it rests on, or kNeedsAWholeDay.
QString projectionText(const Figures& f);

// The figures of a range of the readings, one line each; without a valid reading, the counts
// and times and then kNoValidReading alone.
QList<FigureLine> figureLines(const Figures& f, const Readings& r, const FigureOptions& options);

// A list's summary line: rows, minimum, maximum, mean and exposure.
QString summaryLine(const RunningSummary& s, const QString& unit);

} // namespace analysis
