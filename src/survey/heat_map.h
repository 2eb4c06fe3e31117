#pragma once

#include "survey/survey_data.h"

#include <QPicture>
#include <QPointF>
#include <QWidget>

#include <optional>

namespace survey {

class MapSurface;

// The survey's points as a colour map: each point a cell coloured by its reading on a scale from
// the lowest to the highest, the points not yet taken in grey, the reading written in each cell
// when the cells are large enough for it, and the current point framed. Row 1 is at the top.
// The plotting library stays behind this class.
class HeatMap : public QWidget {
    Q_OBJECT
public:
    explicit HeatMap(QWidget* parent = nullptr);
    ~HeatMap() override;

    void showGrid(const SurveyGrid& grid, std::optional<GridPoint> current);
    // The map at this size as drawing commands, without the current point's frame: sharp on a
    // printer at any resolution.
    QPicture picture(const QSize& size);

    // For inspection: the centre of a point on this widget, and how many readings the last
    // drawing wrote into their cells.
    QPoint pixelOf(GridPoint p) const;
    int labelsDrawn() const;

Q_SIGNALS:
    // A left click on a point of the grid.
    void pointClicked(survey::GridPoint p);

private:
    MapSurface* plot_;
};

} // namespace survey
