#include "survey/survey_data.h"

#include "text/leading_value.h"

#include <algorithm>

namespace survey {

QString unitText(LengthUnit unit) {
    return unit == LengthUnit::Foot ? QStringLiteral("ft") : QStringLiteral("m");
}

QString unitText(LightUnit unit) {
    return unit == LightUnit::FootCandle ? QStringLiteral("fc") : QStringLiteral("lx");
}

std::optional<LengthUnit> lengthUnitFromText(QStringView text) {
    if (text == u"m")
        return LengthUnit::Metre;
    if (text == u"ft")
        return LengthUnit::Foot;
    return std::nullopt;
}

std::optional<LightUnit> lightUnitFromText(QStringView text) {
    if (text.compare(u"lx", Qt::CaseInsensitive) == 0)
        return LightUnit::Lux;
    if (text.compare(u"fc", Qt::CaseInsensitive) == 0)
        return LightUnit::FootCandle;
    return std::nullopt;
}

double toMetres(double length, LengthUnit unit) {
    return unit == LengthUnit::Foot ? length * kMetresPerFoot : length;
}

double fromMetres(double metres, LengthUnit unit) {
    return unit == LengthUnit::Foot ? metres / kMetresPerFoot : metres;
}

double toLux(double level, LightUnit unit) {
    return unit == LightUnit::FootCandle ? level * kLuxPerFootCandle : level;
}

double fromLux(double lux, LightUnit unit) {
    return unit == LightUnit::FootCandle ? lux / kLuxPerFootCandle : lux;
}

void SurveyGrid::clearReadings() {
    readings.assign(size_t(std::max(pointCount(), 0)), std::nullopt);
}

bool SurveyGrid::contains(GridPoint p) const {
    return p.row >= 0 && p.row < settings.rows && p.column >= 0 && p.column < settings.columns;
}

const std::optional<Reading>& SurveyGrid::at(GridPoint p) const {
    return readings[size_t(p.row * settings.columns + p.column)];
}

std::optional<Reading>& SurveyGrid::at(GridPoint p) {
    return readings[size_t(p.row * settings.columns + p.column)];
}

int SurveyGrid::taken() const {
    return int(std::count_if(readings.begin(), readings.end(),
                             [](const auto& r) { return r.has_value(); }));
}

std::optional<LightUnit> SurveyGrid::unit() const {
    for (const auto& r : readings)
        if (r)
            return r->unit;
    return std::nullopt;
}

double readingNumber(const QString& text) {
    return textrules::readingValue(text);
}

int readingDecimals(const QString& text) {
    const qsizetype point = text.indexOf(QLatin1Char('.'));
    return point < 0 ? 0 : int(text.size() - point - 1);
}

GridPoint walkPoint(int index, int columns) {
    const int row = index / columns;
    const int step = index % columns;
    return {row, row % 2 == 0 ? step : columns - 1 - step};
}

int walkIndex(GridPoint p, int columns) {
    return p.row * columns + (p.row % 2 == 0 ? p.column : columns - 1 - p.column);
}

std::optional<GridPoint> nextOpenPoint(const SurveyGrid& grid, int from) {
    const int n = grid.pointCount();
    for (int k = 0; k < n; ++k) {
        const GridPoint p = walkPoint((from + k) % n, grid.settings.columns);
        if (!grid.at(p))
            return p;
    }
    return std::nullopt;
}

double pointX(const Settings& s, int column) {
    return (column + 0.5) * s.spacingX;
}

double pointY(const Settings& s, int row) {
    return (row + 0.5) * s.spacingY;
}

} // namespace survey
