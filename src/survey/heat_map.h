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
// when the cells are large enough for it, the current point framed and a point the user selected
// framed in another way. Row 1 is at the top.
// The plotting library stays behind this class.
class HeatMap : public QWidget {
    Q_OBJECT
public:
    explicit HeatMap(QWidget* parent = nullptr);
    ~HeatMap() override;

    void showGrid(const SurveyGrid& grid, std::optional<GridPoint> current,
                  std::optional<GridPoint> selected = std::nullopt);
    // The map at this size as drawing commands, without the frames: sharp on a printer at any
    // resolution.
    QPicture picture(const QSize& size);

    // For inspection: the centre of a point on this widget, how many readings the last drawing
    // wrote into their cells, and the points framed as current and as selected.
    QPoint pixelOf(GridPoint p) const;
    int labelsDrawn() const;
    std::optional<GridPoint> framedCurrent() const;
    std::optional<GridPoint> framedSelection() const;

Q_SIGNALS:
    // A left click on a point of the grid.
    void pointClicked(survey::GridPoint p);

private:
    MapSurface* plot_;
};

} // namespace survey
