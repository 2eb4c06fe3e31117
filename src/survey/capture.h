#pragma once

#include "link/display_model.h"
#include "survey/survey_data.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace survey {

inline const QString kRefusedLinkLost =
    QStringLiteral("Not captured: the link to the meter is lost (No COM).");
inline const QString kRefusedMode =
    QStringLiteral("Not captured: the meter is not showing a plain reading.");
inline const QString kRefusedNoReading =
    QStringLiteral("Not captured: the meter has not sent a reading yet.");
inline const QString kRefusedOverRange =
    QStringLiteral("Not captured: the meter is over range (OL).");
// "Not captured: the meter reads in fc, the points already taken are in lx."
QString unitRefusalText(LightUnit meter, LightUnit survey);

struct Refusal {
    QString text;
    QString detail; // what to do about it
    bool operator==(const Refusal&) const = default;
};

// Why the reading the panel shows cannot be stored as a point now, nothing when it can: the link
// is lost, the meter is in a mode other than the plain reading, it has shown nothing yet, it is
// over range, or it reads in another unit than the points already taken.
std::optional<Refusal> captureRefusal(const meterlink::DisplayModel& display, bool linkLost,
                                      std::optional<LightUnit> surveyUnit);

// One reading for the readings sampled during a capture: their mean, with as many decimals as
// the most precise of them shows. A single reading, or readings all alike, come back as they are.
QString averageReadingText(const QStringList& texts);

} // namespace survey
