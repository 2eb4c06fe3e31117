#pragma once

#include "survey/survey_data.h"

#include <QDate>
#include <QPicture>
#include <QRectF>

#include <functional>

class QPainter;
class QPrinter;

namespace survey {

// Draws the map for the report at a size, in a picture's pixels.
using MapPicture = std::function<QPicture(const QSize& size)>;

// The one-page report onto any painter, within `page` (device pixels): the heading (area, date,
// grid, requirement), the figures and the verdict, the heat map, and the table of readings, its
// type made as small as a grid of 40 x 40 needs to fit the page.
void paintReport(QPainter& painter, const QRectF& page, const SurveyGrid& grid, const QDate& date,
                 const MapPicture& map);

// The report on one page of the printer; false when the printer could not print it.
bool printReport(QPrinter& printer, const SurveyGrid& grid, const QDate& date,
                 const MapPicture& map);

} // namespace survey
