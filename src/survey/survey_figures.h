#pragma once

#include "survey/survey_data.h"

#include <QStringList>

#include <optional>

namespace survey {

enum class Verdict { Incomplete, Pass, Fail };

// What the points taken say about the area, in the unit they were taken in.
struct Figures {
    int taken = 0;
    int total = 0;
    std::optional<LightUnit> unit;
    double average = 0.0; // the three are 0 until a point is taken
    double minimum = 0.0;
    double maximum = 0.0;
    QString minimumText; // the lowest and highest readings as shown
    QString maximumText;
    int decimals = 0; // the most decimals among the readings
    // Minimum over average and minimum over maximum; nothing when the divisor is 0.
    std::optional<double> uniformity;
    std::optional<double> diversity;
    bool levelMet = false;
    bool uniformityMet = false;
    // Pass or fail only once every point is taken.
    Verdict verdict = Verdict::Incomplete;
};

Figures surveyFigures(const SurveyGrid& grid);

// The figures as the window shows them and the report prints them, one "Name: value" each.
// Ratios and the average are cut (not rounded) to the decimals shown, so that a figure shown
// equal to the requirement meets it.
struct FigureTexts {
    QString taken;
    QString average;
    QString minimum;
    QString maximum;
    QString uniformity;
    QString diversity;
    QString verdict;
    QStringList lines() const;
};
FigureTexts figureTexts(const SurveyGrid& grid, const Figures& f);

// The requirement in words: "Required: 500 lx maintained, uniformity 0.60".
QString requirementText(const Settings& s);
// The report's heading lines (area, date, grid, requirement) followed by the figures.
QStringList reportLines(const SurveyGrid& grid, const QDate& date);

// v cut to the given decimals, "." as the point.
QString cutNumber(double v, int decimals);

} // namespace survey
