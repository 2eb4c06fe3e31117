#include "survey/settings_form.h"

#include "survey/survey_figures.h"
#include "survey/survey_plan.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace survey {

namespace {

constexpr double kMaxSide = 10000.0;

QDoubleSpinBox* numberBox(const char* name, double min, double max, int decimals, double step,
                          QWidget* parent) {
    auto* box = new QDoubleSpinBox(parent);
    box->setObjectName(QLatin1String(name));
    box->setLocale(QLocale::c());
    box->setRange(min, max);
    box->setDecimals(decimals);
    box->setSingleStep(step);
    return box;
}

} // namespace

SettingsForm::SettingsForm(Settings& settings, QWidget* parent)
    : QWidget(parent), settings_(settings) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);

    auto* area = new QGroupBox(QStringLiteral("Area"), this);
    auto* areaForm = new QFormLayout(area);
    TxtArea_ = new QLineEdit(area);
    TxtArea_->setObjectName(QStringLiteral("TxtArea"));
    areaForm->addRow(QStringLiteral("Name"), TxtArea_);
    TxtLength_ = numberBox("TxtLength", 0.0, kMaxSide, 2, 0.5, area);
    TxtWidth_ = numberBox("TxtWidth", 0.0, kMaxSide, 2, 0.5, area);
    auto* sides = new QHBoxLayout;
    sides->addWidget(TxtLength_);
    sides->addWidget(new QLabel(QStringLiteral("x"), area));
    sides->addWidget(TxtWidth_);
    areaForm->addRow(QStringLiteral("Length x width"), sides);
    ChkWallBand_ = new QCheckBox(QStringLiteral("Leave 0.5 m along the walls"), area);
    ChkWallBand_->setObjectName(QStringLiteral("ChkWallBand"));
    CmdPropose_ = new QPushButton(QStringLiteral("Propose Grid"), area);
    CmdPropose_->setObjectName(QStringLiteral("CmdPropose"));
    auto* propose = new QHBoxLayout;
    propose->addWidget(ChkWallBand_);
    propose->addWidget(CmdPropose_);
    areaForm->addRow(propose);
    column->addWidget(area);

    auto* grid = new QGroupBox(QStringLiteral("Grid"), this);
    auto* gridForm = new QFormLayout(grid);
    TxtRows_ = new QSpinBox(grid);
    TxtRows_->setObjectName(QStringLiteral("TxtRows"));
    TxtColumns_ = new QSpinBox(grid);
    TxtColumns_->setObjectName(QStringLiteral("TxtColumns"));
    for (QSpinBox* box : {TxtRows_, TxtColumns_})
        box->setRange(1, kMaxGridSide);
    auto* shape = new QHBoxLayout;
    shape->addWidget(TxtRows_);
    shape->addWidget(new QLabel(QStringLiteral("rows x"), grid));
    shape->addWidget(TxtColumns_);
    shape->addWidget(new QLabel(QStringLiteral("columns"), grid));
    gridForm->addRow(QStringLiteral("Points"), shape);
    TxtSpacingX_ = numberBox("TxtSpacingX", 0.001, kMaxSpacing, 3, 0.1, grid);
    TxtSpacingY_ = numberBox("TxtSpacingY", 0.001, kMaxSpacing, 3, 0.1, grid);
    ComboLengthUnit_ = new QComboBox(grid);
    ComboLengthUnit_->setObjectName(QStringLiteral("ComboLengthUnit"));
    ComboLengthUnit_->addItems({unitText(LengthUnit::Metre), unitText(LengthUnit::Foot)});
    auto* spacing = new QHBoxLayout;
    spacing->addWidget(TxtSpacingX_);
    spacing->addWidget(new QLabel(QStringLiteral("x"), grid));
    spacing->addWidget(TxtSpacingY_);
    spacing->addWidget(ComboLengthUnit_);
    gridForm->addRow(QStringLiteral("Spacing"), spacing);
    column->addWidget(grid);

    auto* requirement = new QGroupBox(QStringLiteral("Requirement"), this);
    auto* requirementForm = new QFormLayout(requirement);
    ComboTask_ = new QComboBox(requirement);
    ComboTask_->setObjectName(QStringLiteral("ComboTask"));
    ComboTask_->addItem(QStringLiteral("Free entry"));
    for (const TaskPreset& t : taskPresets())
        ComboTask_->addItem(QStringLiteral("%1 (%2 lx, %3)")
                                .arg(QLatin1String(t.name))
                                .arg(t.lux)
                                .arg(QString::number(t.uniformity, 'f', 2)));
    requirementForm->addRow(QStringLiteral("Task"), ComboTask_);
    TxtLevel_ = numberBox("TxtLevel", 0.0, kMaxLevel, 2, 10.0, requirement);
    ComboLevelUnit_ = new QComboBox(requirement);
    ComboLevelUnit_->setObjectName(QStringLiteral("ComboLevelUnit"));
    ComboLevelUnit_->addItems({unitText(LightUnit::Lux), unitText(LightUnit::FootCandle)});
    auto* level = new QHBoxLayout;
    level->addWidget(TxtLevel_);
    level->addWidget(ComboLevelUnit_);
    requirementForm->addRow(QStringLiteral("Maintained level"), level);
    TxtUniformity_ = numberBox("TxtUniformity", 0.0, 1.0, 2, 0.05, requirement);
    requirementForm->addRow(QStringLiteral("Uniformity (min/avg)"), TxtUniformity_);
    column->addWidget(requirement);

    auto* capture = new QGroupBox(QStringLiteral("Capture"), this);
    captureGroup_ = new QVBoxLayout(capture);
    TxtAveraging_ = numberBox("TxtAveraging", 0.0, kMaxAveragingSeconds, 1, 0.5, capture);
    TxtAveraging_->setSuffix(QStringLiteral(" s"));
    auto* averaging = new QHBoxLayout;
    averaging->addWidget(new QLabel(QStringLiteral("Average over"), capture));
    averaging->addWidget(TxtAveraging_, 1);
    captureGroup_->addLayout(averaging);
    column->addWidget(capture);

    for (QAbstractSpinBox* box : findChildren<QAbstractSpinBox*>())
        box->installEventFilter(this);

    load();
    connect(TxtArea_, &QLineEdit::textChanged, this, &SettingsForm::read);
    for (QDoubleSpinBox* box : {TxtSpacingX_, TxtSpacingY_, TxtAveraging_})
        connect(box, &QDoubleSpinBox::valueChanged, this, &SettingsForm::read);
    for (QDoubleSpinBox* box : {TxtLevel_, TxtUniformity_})
        connect(box, &QDoubleSpinBox::valueChanged, this, [this] {
            // A requirement typed in is no longer the preset's.
            if (!loading_)
                ComboTask_->setCurrentIndex(0);
            read();
        });
    for (QSpinBox* box : {TxtRows_, TxtColumns_})
        connect(box, &QSpinBox::valueChanged, this, &SettingsForm::gridShapeChanged);
    connect(ComboLengthUnit_, &QComboBox::currentIndexChanged, this,
            &SettingsForm::lengthUnitChanged);
    connect(ComboLevelUnit_, &QComboBox::currentIndexChanged, this,
            &SettingsForm::levelUnitChanged);
    connect(ComboTask_, &QComboBox::activated, this, &SettingsForm::taskChosen);
    connect(CmdPropose_, &QPushButton::clicked, this, &SettingsForm::ProposeGrid);
}

void SettingsForm::load() {
    const Settings& s = settings_;
    loading_ = true;
    TxtArea_->setText(s.area);
    TxtRows_->setValue(s.rows);
    TxtColumns_->setValue(s.columns);
    ComboLengthUnit_->setCurrentIndex(s.lengthUnit == LengthUnit::Foot ? 1 : 0);
    TxtSpacingX_->setValue(s.spacingX);
    TxtSpacingY_->setValue(s.spacingY);
    ComboLevelUnit_->setCurrentIndex(s.levelUnit == LightUnit::FootCandle ? 1 : 0);
    TxtLevel_->setValue(s.requiredLevel);
    TxtUniformity_->setValue(s.requiredUniformity);
    TxtAveraging_->setValue(s.averagingSeconds);
    ComboTask_->setCurrentIndex(0);
    loading_ = false;
}

bool SettingsForm::eventFilter(QObject* watched, QEvent* event) {
    // A number holds no spaces: Space in a number box is the window's capture key, so that it
    // captures wherever the user left the focus instead of blanking the number.
    if (event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Space && key->modifiers() == Qt::NoModifier) {
            event->ignore();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void SettingsForm::setReshapable(bool reshapable) {
    for (QWidget* w : std::initializer_list<QWidget*>{TxtRows_, TxtColumns_, CmdPropose_})
        w->setEnabled(reshapable);
}

void SettingsForm::read() {
    if (loading_)
        return;
    Settings& s = settings_;
    s.area = TxtArea_->text();
    s.spacingX = TxtSpacingX_->value();
    s.spacingY = TxtSpacingY_->value();
    s.requiredLevel = TxtLevel_->value();
    s.requiredUniformity = TxtUniformity_->value();
    s.averagingSeconds = TxtAveraging_->value();
    Q_EMIT changed();
}

void SettingsForm::lengthUnitChanged() {
    if (loading_)
        return;
    const LengthUnit from = settings_.lengthUnit;
    const LengthUnit to =
        ComboLengthUnit_->currentIndex() == 1 ? LengthUnit::Foot : LengthUnit::Metre;
    settings_.lengthUnit = to;
    loading_ = true;
    for (QDoubleSpinBox* box : {TxtSpacingX_, TxtSpacingY_, TxtLength_, TxtWidth_})
        box->setValue(fromMetres(toMetres(box->value(), from), to));
    loading_ = false;
    read();
}

void SettingsForm::levelUnitChanged() {
    if (loading_)
        return;
    const LightUnit from = settings_.levelUnit;
    const LightUnit to =
        ComboLevelUnit_->currentIndex() == 1 ? LightUnit::FootCandle : LightUnit::Lux;
    settings_.levelUnit = to;
    loading_ = true;
    TxtLevel_->setValue(fromLux(toLux(TxtLevel_->value(), from), to));
    loading_ = false;
    read();
}

void SettingsForm::taskChosen(int index) {
    if (index < 1)
        return;
    const TaskPreset& t = taskPresets()[size_t(index - 1)];
    loading_ = true;
    TxtLevel_->setValue(fromLux(t.lux, settings_.levelUnit));
    TxtUniformity_->setValue(t.uniformity);
    loading_ = false;
    read();
}

void SettingsForm::gridShapeChanged() {
    if (loading_)
        return;
    // Only an empty grid changes its shape (the controls are locked once a point is taken).
    settings_.rows = TxtRows_->value();
    settings_.columns = TxtColumns_->value();
    Q_EMIT reshaped();
}

void SettingsForm::ProposeGrid() {
    const LengthUnit unit = settings_.lengthUnit;
    const auto g =
        proposeGrid(TxtLength_->value(), TxtWidth_->value(), unit, ChkWallBand_->isChecked());
    if (!g) {
        Q_EMIT proposal(
            QStringLiteral("Give the area's length and width: no area is left to measure."), true);
        return;
    }
    loading_ = true;
    TxtRows_->setValue(g->rows);
    TxtColumns_->setValue(g->columns);
    TxtSpacingX_->setValue(g->spacingX);
    TxtSpacingY_->setValue(g->spacingY);
    loading_ = false;
    gridShapeChanged();
    read();
    const QString u = unitText(unit);
    QString text = QStringLiteral("Largest spacing %1 %2: %3 rows x %4 columns.")
                       .arg(cutNumber(g->largestSpacing, 2), u)
                       .arg(g->rows)
                       .arg(g->columns);
    if (g->limited)
        text += QStringLiteral(" 40 points a side cannot keep within it: the points lie further "
                               "apart.");
    Q_EMIT proposal(text, g->limited);
}

} // namespace survey
