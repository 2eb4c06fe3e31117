#include "survey/survey_window.h"

#include "link/exchange_queue.h"
#include "platform/busy_cursor.h"
#include "platform/placement.h"
#include "platform/prompts.h"
#include "recording/recording_state.h"
#include "survey/capture.h"
#include "survey/heat_map.h"
#include "survey/survey_figures.h"
#include "survey/survey_file.h"
#include "survey/survey_plan.h"
#include "survey/survey_report.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFile>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPrinter>
#include <QPushButton>
#include <QSaveFile>
#include <QShortcut>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>

#include <optional>

namespace survey {

namespace {

constexpr int kWidth = 980;
constexpr int kHeight = 600;
constexpr int kSettingsWidth = 400;
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

QPushButton* button(const char* name, const QString& caption, QWidget* parent) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QLatin1String(name));
    return b;
}

QLabel* label(const char* name, QWidget* parent) {
    auto* l = new QLabel(parent);
    l->setObjectName(QLatin1String(name));
    return l;
}

QString pointName(GridPoint p) {
    return QStringLiteral("row %1, column %2").arg(p.row + 1).arg(p.column + 1);
}

std::optional<QByteArray> readSmallFile(const QString& path, QString* why) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *why = file.errorString();
        return std::nullopt;
    }
    // One byte more than a survey may have, so that a larger file is seen to be too large.
    QByteArray bytes = file.read(kMaxSurveyFileBytes + 1);
    if (file.error() != QFileDevice::NoError) {
        *why = file.errorString();
        return std::nullopt;
    }
    return bytes;
}

bool writeWholeFile(const QString& path, const QByteArray& bytes, QString* why) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        *why = file.errorString();
        return false;
    }
    return true;
}

} // namespace

Survey::Survey(shared::Session& session, meterlink::ExchangeQueue& exchanges,
               platform::Prompts& prompts, QWidget* mainWindow)
    : QWidget(mainWindow, Qt::Window), session_(session), exchanges_(exchanges), prompts_(prompts),
      sampler_(new QTimer(this)) {
    setObjectName(QStringLiteral("Survey"));
    setWindowTitle(kSurveyCaption);
    setAttribute(Qt::WA_DeleteOnClose);
    resize(kWidth, kHeight);
    platform::placeBeside(*this, mainWindow);

    sampler_->setObjectName(QStringLiteral("Sampler"));
    sampler_->setInterval(kSampleIntervalMs);
    connect(sampler_, &QTimer::timeout, this, &Survey::sample);

    buildControls();
    loadControls();
    // Text boxes keep their spaces: a single-key shortcut gives way to typing.
    auto* space = new QShortcut(QKeySequence(Qt::Key_Space), this);
    space->setObjectName(QStringLiteral("SpaceCapture"));
    connect(space, &QShortcut::activated, this, &Survey::Capture);
    connect(map_, &HeatMap::pointClicked, this, &Survey::CapturePoint);
    refresh();
    map_->setFocus();
}

Survey::~Survey() = default;

void Survey::buildControls() {
    auto* columns = new QHBoxLayout(this);
    columns->addWidget(buildSettings());
    auto* right = new QVBoxLayout;
    map_ = new HeatMap(this);
    map_->setObjectName(QStringLiteral("Map"));
    map_->setFocusPolicy(Qt::StrongFocus);
    right->addWidget(map_, 1);
    right->addWidget(buildFigures());
    LblStatus_ = label("LblStatus", this);
    LblStatus_->setWordWrap(true);
    right->addWidget(LblStatus_);
    columns->addLayout(right, 1);
}

QWidget* Survey::buildSettings() {
    auto* panel = new QWidget(this);
    panel->setMaximumWidth(kSettingsWidth);
    auto* column = new QVBoxLayout(panel);
    column->setContentsMargins(0, 0, 0, 0);

    auto* area = new QGroupBox(QStringLiteral("Area"), panel);
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
    CmdPropose_ = button("CmdPropose", QStringLiteral("Propose Grid"), area);
    auto* propose = new QHBoxLayout;
    propose->addWidget(ChkWallBand_);
    propose->addWidget(CmdPropose_);
    areaForm->addRow(propose);
    column->addWidget(area);

    auto* grid = new QGroupBox(QStringLiteral("Grid"), panel);
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

    auto* requirement = new QGroupBox(QStringLiteral("Requirement"), panel);
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

    auto* capture = new QGroupBox(QStringLiteral("Capture"), panel);
    auto* captureRow = new QHBoxLayout(capture);
    TxtAveraging_ = numberBox("TxtAveraging", 0.0, kMaxAveragingSeconds, 1, 0.5, capture);
    TxtAveraging_->setSuffix(QStringLiteral(" s"));
    captureRow->addWidget(new QLabel(QStringLiteral("Average over"), capture));
    captureRow->addWidget(TxtAveraging_);
    CmdCapture_ = button("CmdCapture", QStringLiteral("Capture"), capture);
    CmdCapture_->setToolTip(QStringLiteral("Capture the current point (Space)"));
    captureRow->addWidget(CmdCapture_);
    column->addWidget(capture);

    auto* files = new QGridLayout;
    QPushButton* cmdNew = button("CmdNew", QStringLiteral("New"), panel);
    QPushButton* cmdOpen = button("CmdOpen", QStringLiteral("Open..."), panel);
    QPushButton* cmdSave = button("CmdSave", QStringLiteral("Save..."), panel);
    QPushButton* cmdExport = button("CmdExport", QStringLiteral("Export CSV..."), panel);
    QPushButton* cmdPrint = button("CmdPrint", QStringLiteral("Print..."), panel);
    files->addWidget(cmdNew, 0, 0);
    files->addWidget(cmdOpen, 0, 1);
    files->addWidget(cmdSave, 0, 2);
    files->addWidget(cmdExport, 1, 0, 1, 2);
    files->addWidget(cmdPrint, 1, 2);
    column->addLayout(files);
    column->addStretch(1);

    connect(TxtArea_, &QLineEdit::textChanged, this, &Survey::readControls);
    for (QDoubleSpinBox* box : {TxtSpacingX_, TxtSpacingY_, TxtAveraging_})
        connect(box, &QDoubleSpinBox::valueChanged, this, &Survey::readControls);
    for (QDoubleSpinBox* box : {TxtLevel_, TxtUniformity_})
        connect(box, &QDoubleSpinBox::valueChanged, this, [this] {
            // A requirement typed in is no longer the preset's.
            if (!loading_)
                ComboTask_->setCurrentIndex(0);
            readControls();
        });
    for (QSpinBox* box : {TxtRows_, TxtColumns_})
        connect(box, &QSpinBox::valueChanged, this, &Survey::gridShapeChanged);
    connect(ComboLengthUnit_, &QComboBox::currentIndexChanged, this, &Survey::lengthUnitChanged);
    connect(ComboLevelUnit_, &QComboBox::currentIndexChanged, this, &Survey::levelUnitChanged);
    connect(ComboTask_, &QComboBox::activated, this, &Survey::taskChosen);
    connect(CmdPropose_, &QPushButton::clicked, this, &Survey::ProposeGrid);
    connect(CmdCapture_, &QPushButton::clicked, this, &Survey::Capture);
    const std::pair<QPushButton*, void (Survey::*)()> fileSteps[] = {{cmdNew, &Survey::New},
                                                                     {cmdOpen, &Survey::Open},
                                                                     {cmdSave, &Survey::Save},
                                                                     {cmdExport, &Survey::Export},
                                                                     {cmdPrint, &Survey::Print}};
    for (const auto& [b, step] : fileSteps)
        connect(b, &QPushButton::clicked, this,
                [this, name = objectName() + QLatin1Char('.') + b->objectName(), step] {
                    whenFree(name, [this, step] { (this->*step)(); });
                });
    return panel;
}

QWidget* Survey::buildFigures() {
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
    return figures;
}

void Survey::loadControls() {
    const Settings& s = grid_.settings;
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

void Survey::readControls() {
    if (loading_)
        return;
    Settings& s = grid_.settings;
    s.area = TxtArea_->text();
    s.spacingX = TxtSpacingX_->value();
    s.spacingY = TxtSpacingY_->value();
    s.requiredLevel = TxtLevel_->value();
    s.requiredUniformity = TxtUniformity_->value();
    s.averagingSeconds = TxtAveraging_->value();
    refresh();
}

void Survey::lengthUnitChanged() {
    if (loading_)
        return;
    const LengthUnit from = grid_.settings.lengthUnit;
    const LengthUnit to =
        ComboLengthUnit_->currentIndex() == 1 ? LengthUnit::Foot : LengthUnit::Metre;
    grid_.settings.lengthUnit = to;
    loading_ = true;
    for (QDoubleSpinBox* box : {TxtSpacingX_, TxtSpacingY_, TxtLength_, TxtWidth_})
        box->setValue(fromMetres(toMetres(box->value(), from), to));
    loading_ = false;
    readControls();
}

void Survey::levelUnitChanged() {
    if (loading_)
        return;
    const LightUnit from = grid_.settings.levelUnit;
    const LightUnit to =
        ComboLevelUnit_->currentIndex() == 1 ? LightUnit::FootCandle : LightUnit::Lux;
    grid_.settings.levelUnit = to;
    loading_ = true;
    TxtLevel_->setValue(fromLux(toLux(TxtLevel_->value(), from), to));
    loading_ = false;
    readControls();
}

void Survey::taskChosen(int index) {
    if (index < 1)
        return;
    const TaskPreset& t = taskPresets()[size_t(index - 1)];
    loading_ = true;
    TxtLevel_->setValue(fromLux(t.lux, grid_.settings.levelUnit));
    TxtUniformity_->setValue(t.uniformity);
    loading_ = false;
    readControls();
}

void Survey::gridShapeChanged() {
    if (loading_)
        return;
    // Only an empty grid changes its shape (the controls are locked once a point is taken).
    grid_.settings.rows = TxtRows_->value();
    grid_.settings.columns = TxtColumns_->value();
    grid_.clearReadings();
    current_ = {};
    refresh();
}

void Survey::ProposeGrid() {
    const LengthUnit unit = grid_.settings.lengthUnit;
    const auto g =
        proposeGrid(TxtLength_->value(), TxtWidth_->value(), unit, ChkWallBand_->isChecked());
    if (!g) {
        showStatus(QStringLiteral("Give the area's length and width: no area is left to measure."),
                   true);
        return;
    }
    loading_ = true;
    TxtRows_->setValue(g->rows);
    TxtColumns_->setValue(g->columns);
    TxtSpacingX_->setValue(g->spacingX);
    TxtSpacingY_->setValue(g->spacingY);
    loading_ = false;
    gridShapeChanged();
    readControls();
    const QString u = unitText(unit);
    QString text = QStringLiteral("Largest spacing %1 %2: %3 rows x %4 columns.")
                       .arg(cutNumber(g->largestSpacing, 2), u)
                       .arg(g->rows)
                       .arg(g->columns);
    if (g->limited)
        text += QStringLiteral(" 40 points a side cannot keep within it: the points lie further "
                               "apart.");
    showStatus(text, g->limited);
}

void Survey::Capture() {
    CapturePoint(current_);
}

void Survey::CapturePoint(GridPoint p) {
    if (capturing_ || !grid_.contains(p))
        return;
    current_ = p;
    const meterlink::DisplayModel& d = session_.display;
    if (const auto refusal = captureRefusal(d, session_.link.LinkLost, grid_.unit())) {
        refresh();
        refuse(refusal->text, refusal->detail);
        return;
    }
    target_ = p;
    captureUnit_ = *lightUnitFromText(d.UnitText);
    samples_ = {d.MainText};
    if (grid_.settings.averagingSeconds <= 0.0) {
        store();
        return;
    }
    capturing_ = true;
    captureClock_.start();
    sampler_->start();
    CmdCapture_->setEnabled(false);
    showStatus(QStringLiteral("Measuring %1 over %2 s...")
                   .arg(pointName(p))
                   .arg(grid_.settings.averagingSeconds));
    refresh();
}

void Survey::sample() {
    const meterlink::DisplayModel& d = session_.display;
    const LightUnit unit = grid_.unit().value_or(captureUnit_);
    if (const auto refusal = captureRefusal(d, session_.link.LinkLost, unit)) {
        stopCapture();
        refresh();
        refuse(refusal->text, refusal->detail);
        return;
    }
    samples_ << d.MainText;
    if (captureClock_.elapsed() >= qint64(grid_.settings.averagingSeconds * 1000.0))
        store();
}

void Survey::stopCapture() {
    sampler_->stop();
    capturing_ = false;
    CmdCapture_->setEnabled(true);
}

void Survey::store() {
    stopCapture();
    const QString text = averageReadingText(samples_);
    grid_.at(target_) =
        Reading{text, captureUnit_, recording::sampleTimeStamp(QDateTime::currentDateTime())};
    if (!grid_.date.isValid())
        grid_.date = QDate::currentDate();
    unsaved_ = true;
    current_ =
        nextOpenPoint(grid_, walkIndex(target_, grid_.settings.columns) + 1).value_or(target_);
    QString done = pointName(target_);
    done[0] = done[0].toUpper();
    showStatus(QStringLiteral("%1: %2 %3. Next: %4.")
                   .arg(done, text, unitText(captureUnit_), pointName(current_)));
    refresh();
    emit captured(target_);
}

void Survey::refuse(const QString& text, const QString& detail) {
    showStatus(text, true);
    whenFree(QStringLiteral("Survey.refusal"), [this, text, detail] {
        prompts_.message(this, platform::MessageIcon::Critical, text, detail);
    });
}

bool Survey::canAskNow() const {
    return session_.link.LinkLost || (!exchanges_.busy() && exchanges_.waiting() == 0);
}

void Survey::whenFree(const QString& key, std::function<void()> step) {
    if (canAskNow())
        step();
    else
        exchanges_.request(key, this, std::move(step));
}

void Survey::showStatus(const QString& text, bool problem) {
    LblStatus_->setText(text);
    LblStatus_->setStyleSheet(problem ? QStringLiteral("color: #b71c1c") : QString());
}

void Survey::refresh() {
    const Figures f = surveyFigures(grid_);
    const FigureTexts t = figureTexts(grid_, f);
    LblTaken_->setText(t.taken);
    LblAverage_->setText(t.average);
    LblMinimum_->setText(t.minimum);
    LblMaximum_->setText(t.maximum);
    LblUniformity_->setText(t.uniformity);
    LblDiversity_->setText(t.diversity);
    LblRequired_->setText(requirementText(grid_.settings));
    LblVerdict_->setText(t.verdict);
    LblVerdict_->setStyleSheet(f.verdict == Verdict::Pass   ? QStringLiteral("color: #1b5e20")
                               : f.verdict == Verdict::Fail ? QStringLiteral("color: #b71c1c")
                                                            : QString());
    // The grid keeps its shape once a point is taken, or is being measured.
    const bool reshapable = f.taken == 0 && !capturing_;
    for (QWidget* w : std::initializer_list<QWidget*>{TxtRows_, TxtColumns_, CmdPropose_})
        w->setEnabled(reshapable);
    map_->showGrid(grid_, current_);
    if (LblStatus_->text().isEmpty())
        showStatus(QStringLiteral("Next: %1.").arg(pointName(current_)));
}

bool Survey::mayDiscard() {
    return !unsaved_ || prompts_.confirm(this, platform::MessageIcon::Exclamation, kUnsavedQuestion,
                                         kSurveyCaption);
}

void Survey::New() {
    if (capturing_ || !mayDiscard())
        return;
    grid_.clearReadings();
    grid_.date = QDate();
    unsaved_ = false;
    current_ = {};
    LblStatus_->clear();
    refresh();
}

void Survey::Open() {
    if (capturing_ || !mayDiscard())
        return;
    const QString path = prompts_.openFileName(this, kSurveyFilter);
    if (path.isEmpty())
        return;
    QString why;
    const std::optional<QByteArray> bytes = readSmallFile(path, &why);
    OpenedSurvey opened = bytes ? readSurveyFile(*bytes) : OpenedSurvey{std::nullopt, why};
    if (!opened.grid) {
        prompts_.message(
            this, platform::MessageIcon::Critical,
            QStringLiteral("The survey could not be opened."),
            QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path), opened.error));
        return;
    }
    grid_ = std::move(*opened.grid);
    unsaved_ = false;
    current_ = nextOpenPoint(grid_, 0).value_or(GridPoint{});
    loadControls();
    LblStatus_->clear();
    refresh();
}

void Survey::Save() {
    const QString path = prompts_.saveFileName(this, kSurveyFilter);
    if (path.isEmpty())
        return;
    QString why;
    if (!writeWholeFile(path, surveyFileText(grid_), &why)) {
        prompts_.message(this, platform::MessageIcon::Critical,
                         QStringLiteral("The survey could not be saved."),
                         QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path), why));
        return;
    }
    unsaved_ = false;
    showStatus(QStringLiteral("Saved in %1.").arg(QDir::toNativeSeparators(path)));
}

void Survey::Export() {
    const QString path = prompts_.saveFileName(this, kCsvFilter);
    if (path.isEmpty())
        return;
    QString why;
    if (!writeWholeFile(path, surveyCsv(grid_), &why)) {
        prompts_.message(this, platform::MessageIcon::Critical,
                         QStringLiteral("The points could not be exported."),
                         QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path), why));
        return;
    }
    showStatus(QStringLiteral("Exported to %1.").arg(QDir::toNativeSeparators(path)));
}

void Survey::Print() {
    QPrinter printer(QPrinter::HighResolution);
    if (!prompts_.choosePrinter(this, printer))
        return;
    bool printed = false;
    {
        platform::BusyCursor busy;
        const QDate date = grid_.date.isValid() ? grid_.date : QDate::currentDate();
        printed = printReport(printer, grid_, date,
                              [this](const QSize& size) { return map_->picture(size); });
    }
    if (!printed)
        prompts_.message(this, platform::MessageIcon::Critical,
                         QStringLiteral("The report could not be printed."),
                         printer.outputFileName());
}

void Survey::closeEvent(QCloseEvent* event) {
    if (unsaved_ && !canAskNow()) {
        // The question waits for the meter exchange in progress; the window closes after it.
        event->ignore();
        whenFree(QStringLiteral("Survey.close"), [this] {
            if (mayDiscard()) {
                unsaved_ = false;
                close();
            }
        });
        return;
    }
    if (!mayDiscard()) {
        event->ignore();
        return;
    }
    stopCapture();
    Q_EMIT closed();
    QWidget::closeEvent(event);
}

} // namespace survey
