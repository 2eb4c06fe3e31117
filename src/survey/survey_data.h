#pragma once

#include "text/light_units.h"

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringView>

#include <optional>
#include <vector>

namespace survey {

inline constexpr int kMaxGridSide = 40;
// What a setting may hold, in the window and in a survey file alike.
inline constexpr double kMaxSpacing = 1000.0;
inline constexpr double kMaxLevel = 999999.0; // the meter's full scale, and beyond any requirement
inline constexpr double kMaxAveragingSeconds = 5.0;
inline constexpr double kMetresPerFoot = 0.3048;
using textrules::kLuxPerFootCandle;

enum class LengthUnit { Metre, Foot };
enum class LightUnit { Lux, FootCandle };

// "m" and "ft"; "lx" and "fc".
QString unitText(LengthUnit unit);
QString unitText(LightUnit unit);
std::optional<LengthUnit> lengthUnitFromText(QStringView text);
// Takes the survey's own "lx" / "fc" and the meter's "Lx" / "Fc".
std::optional<LightUnit> lightUnitFromText(QStringView text);

double toMetres(double length, LengthUnit unit);
double fromMetres(double metres, LengthUnit unit);
double toLux(double level, LightUnit unit);
double fromLux(double lux, LightUnit unit);

// What the user set up: the grid, where its points lie and what the area must reach.
struct Settings {
    QString area;
    int rows = 4;
    int columns = 5;
    double spacingX = 1.0; // between neighbouring columns, in lengthUnit
    double spacingY = 1.0; // between neighbouring rows
    LengthUnit lengthUnit = LengthUnit::Metre;
    double requiredLevel = 500.0; // maintained level, in levelUnit
    LightUnit levelUnit = LightUnit::Lux;
    double requiredUniformity = 0.6; // minimum over average
    double averagingSeconds = 0.0;   // a capture averages the reading over this time, 0..5
    bool operator==(const Settings&) const = default;
};

// One captured point: the reading as the meter showed it (or its average, written alike), so
// that a saved survey gives back exactly what was seen.
struct Reading {
    QString text;
    LightUnit unit = LightUnit::Lux;
    QDateTime taken; // to the second; not known (null) in a file that does not say
    bool operator==(const Reading&) const = default;
};

// A point of the grid, counted from 0; row 0 is the first row walked.
struct GridPoint {
    int row = 0;
    int column = 0;
    bool operator==(const GridPoint&) const = default;
};

// The survey: settings, the day it was taken and one slot per point, row after row.
struct SurveyGrid {
    Settings settings;
    QDate date;
    std::vector<std::optional<Reading>> readings;

    SurveyGrid() { clearReadings(); }
    explicit SurveyGrid(const Settings& s) : settings(s) { clearReadings(); }

    // Every point empty again, for the grid's current rows and columns.
    void clearReadings();
    int pointCount() const { return settings.rows * settings.columns; }
    bool contains(GridPoint p) const;
    const std::optional<Reading>& at(GridPoint p) const;
    std::optional<Reading>& at(GridPoint p);
    int taken() const;
    // The unit of the points taken (they all share one), nothing before the first.
    std::optional<LightUnit> unit() const;
    bool operator==(const SurveyGrid&) const = default;
};

// The numeric value of a reading's text, as the figures use it.
double readingNumber(const QString& text);
// How many decimals a reading's text shows.
int readingDecimals(const QString& text);

// The serpentine walk: row by row, the first left to right, the next right to left, and so on,
// so that the user never walks back across the room between two points.
GridPoint walkPoint(int index, int columns);
int walkIndex(GridPoint p, int columns);
// The first point not yet taken at or after walk position `from`, going round to the start;
// nothing when every point is taken.
std::optional<GridPoint> nextOpenPoint(const SurveyGrid& grid, int from);

// Where a point lies, from the grid's corner: points sit at the centres of equal cells.
double pointX(const Settings& s, int column);
double pointY(const Settings& s, int row);

} // namespace survey
