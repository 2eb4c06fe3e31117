#include "survey/map_panel.h"

#include "survey/heat_map.h"
#include "survey/survey_figures.h"

#include <QGridLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace survey {

namespace {

QLabel* label(const char* name, QWidget* parent) {
    auto* l = new QLabel(parent);
    l->setObjectName(QLatin1String(name));
    return l;
}

} // namespace

MapPanel::MapPanel(QWidget* parent) : QWidget(parent) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    map_ = new HeatMap(this);
    map_->setObjectName(QStringLiteral("Map"));
    map_->setFocusPolicy(Qt::StrongFocus);
    column->addWidget(map_, 1);

    auto* figures = new QWidget(this);
    auto* layout = new QGridLayout(figures);
    layout->setContentsMargins(0, 0, 0, 0);
    LblTaken_ = label("LblTaken", figures);
    LblAverage_ = label("LblAverage", figures);
    LblMinimum_ = label("LblMinimum", figures);
    LblMaximum_ = label("LblMaximum", figures);
    LblUniformity_ = label("LblUniformity", figures);
    LblDiversity_ = label("LblDiversity", figures);
    LblRequired_ = label("LblRequired", figures);
    LblVerdict_ = label("LblVerdict", figures);
    QFont bold = LblVerdict_->font();
    bold.setBold(true);
    LblVerdict_->setFont(bold);
    QLabel* const order[] = {LblTaken_,   LblAverage_,    LblMinimum_,
                             LblMaximum_, LblUniformity_, LblDiversity_};
    for (int i = 0; i < 6; ++i)
        layout->addWidget(order[i], i % 3, i / 3);
    layout->addWidget(LblRequired_, 3, 0, 1, 2);
    layout->addWidget(LblVerdict_, 4, 0, 1, 2);
    column->addWidget(figures);

    LblStatus_ = label("LblStatus", this);
    LblStatus_->setWordWrap(true);
    column->addWidget(LblStatus_);
}

void MapPanel::showSurvey(const SurveyGrid& grid, std::optional<GridPoint> current,
                          std::optional<GridPoint> selected) {
    const Figures f = surveyFigures(grid);
    const FigureTexts t = figureTexts(grid, f);
    LblTaken_->setText(t.taken);
    LblAverage_->setText(t.average);
    LblMinimum_->setText(t.minimum);
    LblMaximum_->setText(t.maximum);
    LblUniformity_->setText(t.uniformity);
    LblDiversity_->setText(t.diversity);
    LblRequired_->setText(requirementText(grid.settings));
    LblVerdict_->setText(t.verdict);
    LblVerdict_->setStyleSheet(f.verdict == Verdict::Pass   ? QStringLiteral("color: #1b5e20")
                               : f.verdict == Verdict::Fail ? QStringLiteral("color: #b71c1c")
                                                            : QString());
    map_->showGrid(grid, current, selected);
}

void MapPanel::showStatus(const QString& text, bool problem) {
    LblStatus_->setText(text);
    LblStatus_->setStyleSheet(problem ? QStringLiteral("color: #b71c1c") : QString());
}

QString MapPanel::status() const {
    return LblStatus_->text();
}

void MapPanel::clearStatus() {
    LblStatus_->clear();
}

} // namespace survey
