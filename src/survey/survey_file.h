#pragma once

#include "survey/survey_data.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace survey {

// The survey file: UTF-8 text, TAB between fields, CR LF line ends, so a spreadsheet opens it.
// A first line naming the format, a short header of the settings ("Rows", TAB, 4 ...), the
// column titles "Row", "Column", "Value", "Unit", "Time", then one line per point taken, rows
// and columns counted from 1. Readings are written as shown, so they come back exactly; times in
// ISO 8601 with their offset from UTC. Files that give a time as DD-hh:nn:ss (as this program
// wrote them before) are dated from the survey's date: the first day from it with that day of
// the month.
inline const QString kSurveyFileTitle = QStringLiteral("LuxPanel lighting survey");
// A survey of 40 x 40 points is some 50 kB; anything much larger is not one.
inline constexpr qsizetype kMaxSurveyFileBytes = 1 << 20;

QByteArray surveyFileText(const SurveyGrid& grid);

struct OpenedSurvey {
    std::optional<SurveyGrid> grid;
    QString error; // why not, naming the line, when grid is empty
};
OpenedSurvey readSurveyFile(const QByteArray& bytes);

// The points taken as comma-separated values: row, column, their place from the grid's corner,
// value, unit and time (ISO 8601 with its offset, as every export of this program writes it).
QByteArray surveyCsv(const SurveyGrid& grid);

} // namespace survey
