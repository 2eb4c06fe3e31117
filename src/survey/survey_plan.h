#pragma once

#include "survey/survey_data.h"

#include <optional>
#include <span>

namespace survey {

inline constexpr double kWallBandMetres = 0.5;
inline constexpr double kLargestSpacingMetres = 10.0;

// The largest spacing between points for an area whose longer side is d metres:
// 0.2 x 5^(log10 d), at most 10 m (5 m gives 0.616 m, 10 m gives 1 m).
double largestSpacingMetres(double longerSideMetres);

// A grid for an area: points at the centres of equal cells no wider than the largest spacing,
// the cells' sides in a ratio between 0.5 and 2.
struct GridProposal {
    int rows = 1;          // across the width
    int columns = 1;       // along the length
    double spacingX = 0.0; // in the unit the sides were given in
    double spacingY = 0.0;
    double largestSpacing = 0.0;
    // 40 points a side were not enough to keep within the largest spacing.
    bool limited = false;
};

// The area's length and width in the given unit; with the wall band, a 0.5 m band along every
// wall is left out and the grid covers what remains. Nothing when no area remains.
std::optional<GridProposal> proposeGrid(double length, double width, LengthUnit unit,
                                        bool wallBand);

// A common task area with the maintained level and the uniformity it usually asks for.
struct TaskPreset {
    const char* name;
    double lux;
    double uniformity;
};
std::span<const TaskPreset> taskPresets();

} // namespace survey
