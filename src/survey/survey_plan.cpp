#include "survey/survey_plan.h"

#include <algorithm>
#include <cmath>

namespace survey {

namespace {

// Typical maintained illuminances and uniformities of common indoor workplace and sports-hall
// lighting practice: a starting point, which the user overrides with whatever their own
// requirement states.
const TaskPreset kPresets[] = {
    {"Office work: writing, typing, reading", 500.0, 0.6},
    {"Meeting and conference rooms", 500.0, 0.6},
    {"Technical drawing", 750.0, 0.7},
    {"Classrooms", 300.0, 0.6},
    {"Classrooms for evening and adult classes", 500.0, 0.6},
    {"Corridors and circulation areas", 100.0, 0.4},
    {"Stairs", 150.0, 0.4},
    {"Store rooms", 100.0, 0.4},
    {"Workshops: rough bench and machine work", 300.0, 0.6},
    {"Workshops: fine bench and machine work", 500.0, 0.6},
    {"Laboratories", 500.0, 0.6},
    {"Retail sales areas", 300.0, 0.4},
    {"Sports halls: training and school sports", 200.0, 0.5},
    {"Sports halls: competition", 500.0, 0.7},
};

// Points along a side so that they lie at most `spacing` apart; a side that is a whole number
// of spacings long is not given one more point by a rounding error.
int pointsAlong(double side, double spacing) {
    return std::max(1, int(std::ceil(side / spacing - 1e-9)));
}

} // namespace

double largestSpacingMetres(double longerSideMetres) {
    const double p = 0.2 * std::pow(5.0, std::log10(longerSideMetres));
    return std::min(p, kLargestSpacingMetres);
}

std::optional<GridProposal> proposeGrid(double length, double width, LengthUnit unit,
                                        bool wallBand) {
    const double band = wallBand ? 2.0 * kWallBandMetres : 0.0;
    const double x = toMetres(length, unit) - band;
    const double y = toMetres(width, unit) - band;
    if (!(x > 0.0 && y > 0.0) || !std::isfinite(x) || !std::isfinite(y))
        return std::nullopt;
    const double p = largestSpacingMetres(std::max(x, y));
    int columns = pointsAlong(x, p);
    int rows = pointsAlong(y, p);
    // A long narrow area would otherwise get cells far longer than wide: more points along its
    // length bring the cells back within a ratio of 2.
    if (x / columns > 2.0 * (y / rows))
        columns = pointsAlong(x, 2.0 * (y / rows));
    else if (y / rows > 2.0 * (x / columns))
        rows = pointsAlong(y, 2.0 * (x / columns));
    GridProposal g;
    g.limited = columns > kMaxGridSide || rows > kMaxGridSide;
    g.columns = std::min(columns, kMaxGridSide);
    g.rows = std::min(rows, kMaxGridSide);
    g.spacingX = fromMetres(x / g.columns, unit);
    g.spacingY = fromMetres(y / g.rows, unit);
    g.largestSpacing = fromMetres(p, unit);
    return g;
}

std::span<const TaskPreset> taskPresets() {
    return kPresets;
}

} // namespace survey
