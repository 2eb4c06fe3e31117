#include "survey/capture.h"

#include <algorithm>

namespace survey {

QString unitRefusalText(LightUnit meter, LightUnit survey) {
    return QStringLiteral(
               "Not captured: the meter reads in %1, the points already taken are in %2.")
        .arg(unitText(meter), unitText(survey));
}

std::optional<Refusal> captureRefusal(const meterlink::DisplayModel& display, bool linkLost,
                                      std::optional<LightUnit> surveyUnit) {
    if (linkLost)
        return Refusal{kRefusedLinkLost,
                       QStringLiteral("Capture again once the panel shows the reading.")};
    if (!meterlink::InNormalMode(display.status))
        return Refusal{kRefusedMode, QStringLiteral("\"Back to Normal Mode\" on the panel's "
                                                    "toolbar returns the meter to it.")};
    const auto unit = lightUnitFromText(display.UnitText);
    if (display.MainText.isEmpty() || !unit)
        return Refusal{kRefusedNoReading, QString()};
    if (display.MainText.contains(QLatin1Char('L')))
        return Refusal{kRefusedOverRange,
                       QStringLiteral("The light at this point is beyond the meter's range.")};
    if (surveyUnit && *unit != *surveyUnit)
        return Refusal{unitRefusalText(*unit, *surveyUnit),
                       QStringLiteral("Switch the meter to %1, or start a new survey.")
                           .arg(unitText(*surveyUnit))};
    return std::nullopt;
}

QString averageReadingText(const QStringList& texts) {
    if (texts.isEmpty())
        return QString();
    if (std::all_of(texts.begin(), texts.end(), [&](const QString& t) { return t == texts[0]; }))
        return texts[0];
    double sum = 0.0;
    int decimals = 0;
    for (const QString& t : texts) {
        sum += readingNumber(t);
        decimals = std::max(decimals, readingDecimals(t));
    }
    return QString::number(sum / texts.size(), 'f', decimals);
}

} // namespace survey
