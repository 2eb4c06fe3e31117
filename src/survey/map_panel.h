#pragma once

#include "survey/survey_data.h"

#include <QWidget>

#include <optional>

class QLabel;

namespace survey {

class HeatMap;

// The survey as it stands: the heat map, the figures and the verdict under it, and a status line
// for what just happened and what comes next.
class MapPanel : public QWidget {
    Q_OBJECT
public:
    explicit MapPanel(QWidget* parent);

    HeatMap& map() const { return *map_; }
    // The figures of the points taken against the requirement, and the map with the current
    // and the selected point framed.
    void showSurvey(const SurveyGrid& grid, std::optional<GridPoint> current,
                    std::optional<GridPoint> selected);
    // A problem is shown in red.
    void showStatus(const QString& text, bool problem = false);
    QString status() const;
    void clearStatus();

private:
    HeatMap* map_;
    QLabel* LblTaken_;
    QLabel* LblAverage_;
    QLabel* LblMinimum_;
    QLabel* LblMaximum_;
    QLabel* LblUniformity_;
    QLabel* LblDiversity_;
    QLabel* LblRequired_;
    QLabel* LblVerdict_;
    QLabel* LblStatus_;
};

} // namespace survey
