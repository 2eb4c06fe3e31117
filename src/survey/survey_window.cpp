#include "survey/survey_window.h"

#include "link/exchange_queue.h"
#include "platform/busy_cursor.h"
#include "platform/placement.h"
#include "platform/prompts.h"
#include "survey/heat_map.h"
#include "survey/map_panel.h"
#include "survey/point_capture.h"
#include "survey/settings_form.h"
#include "survey/survey_file.h"
#include "survey/survey_report.h"

#include <QCloseEvent>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPrinter>
#include <QPushButton>
#include <QSaveFile>
#include <QShortcut>
#include <QVBoxLayout>

#include <optional>

namespace survey {

namespace {

constexpr int kWidth = 980;
constexpr int kHeight = 600;
constexpr int kSettingsWidth = 400;

QPushButton* button(const char* name, const QString& caption, QWidget* parent) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QLatin1String(name));
    return b;
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
      capture_(new PointCapture(session.display, session.link, grid_, this)) {
    setObjectName(QStringLiteral("Survey"));
    setWindowTitle(kSurveyCaption);
    setAttribute(Qt::WA_DeleteOnClose);
    resize(kWidth, kHeight);

    auto* columns = new QHBoxLayout(this);
    auto* left = new QWidget(this);
    left->setMaximumWidth(kSettingsWidth);
    auto* column = new QVBoxLayout(left);
    column->setContentsMargins(0, 0, 0, 0);
    form_ = new SettingsForm(grid_.settings, left);
    column->addWidget(form_);
    buildCaptureControls(left);
    column->addLayout(buildFiles(left));
    column->addStretch(1);
    columns->addWidget(left);
    view_ = new MapPanel(this);
    columns->addWidget(view_, 1);

    connect(form_, &SettingsForm::changed, this, &Survey::refresh);
    connect(form_, &SettingsForm::reshaped, this, [this] {
        grid_.clearReadings();
        current_ = {};
        selected_.reset();
        refresh();
    });
    connect(form_, &SettingsForm::proposal, view_, &MapPanel::showStatus);
    connect(capture_, &PointCapture::measured, this, &Survey::measured);
    connect(capture_, &PointCapture::refused, this,
            [this](const QString& text, const QString& detail) {
                refresh();
                refuse(text, detail);
            });
    connect(&map(), &HeatMap::pointClicked, this, &Survey::selectPoint);
    refresh();
    map().setFocus();
    platform::placeBesideOnScreen(*this, mainWindow);
}

Survey::~Survey() = default;

bool Survey::capturing() const {
    return capture_->running();
}

HeatMap& Survey::map() const {
    return view_->map();
}

void Survey::buildCaptureControls(QWidget* parent) {
    CmdCapture_ = button("CmdCapture", QStringLiteral("Capture"), parent);
    CmdCapture_->setToolTip(QStringLiteral("Capture the next point (Space, Ctrl+Space)"));
    CmdMeasureSelected_ = button("CmdMeasureSelected", QStringLiteral("Measure Selected"), parent);
    CmdMeasureSelected_->setToolTip(
        QStringLiteral("Measure the point selected on the map, again if it was taken"));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(CmdCapture_);
    buttons->addWidget(CmdMeasureSelected_);
    form_->captureGroup()->addLayout(buttons);
    auto* keys = new QLabel(kCaptureKeysText, parent);
    keys->setObjectName(QStringLiteral("LblCaptureKeys"));
    keys->setWordWrap(true);
    form_->captureGroup()->addWidget(keys);
    connect(CmdCapture_, &QPushButton::clicked, this, &Survey::Capture);
    connect(CmdMeasureSelected_, &QPushButton::clicked, this, [this] {
        if (selected_)
            CapturePoint(*selected_);
    });
    // Space gives way to typing in the area's name (the number boxes pass it on); Ctrl+Space
    // captures wherever the focus is.
    const std::pair<const char*, QKeySequence> keySequences[] = {
        {"SpaceCapture", QKeySequence(Qt::Key_Space)},
        {"CtrlSpaceCapture", QKeySequence(Qt::CTRL | Qt::Key_Space)}};
    for (const auto& [name, sequence] : keySequences) {
        auto* shortcut = new QShortcut(sequence, this);
        shortcut->setObjectName(QLatin1String(name));
        connect(shortcut, &QShortcut::activated, this, &Survey::Capture);
    }
}

QLayout* Survey::buildFiles(QWidget* parent) {
    auto* files = new QGridLayout;
    QPushButton* cmdNew = button("CmdNew", QStringLiteral("New"), parent);
    QPushButton* cmdOpen = button("CmdOpen", QStringLiteral("Open..."), parent);
    QPushButton* cmdSave = button("CmdSave", QStringLiteral("Save..."), parent);
    QPushButton* cmdExport = button("CmdExport", QStringLiteral("Export CSV..."), parent);
    QPushButton* cmdPrint = button("CmdPrint", QStringLiteral("Print..."), parent);
    files->addWidget(cmdNew, 0, 0);
    files->addWidget(cmdOpen, 0, 1);
    files->addWidget(cmdSave, 0, 2);
    files->addWidget(cmdExport, 1, 0, 1, 2);
    files->addWidget(cmdPrint, 1, 2);
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
    return files;
}

bool Survey::complete() const {
    return grid_.taken() == grid_.pointCount();
}

QString Survey::nextText() const {
    if (complete())
        return QStringLiteral("The survey is complete: all %1 points are taken.")
            .arg(grid_.pointCount());
    return QStringLiteral("Next: %1.").arg(pointName(current_));
}

void Survey::Capture() {
    if (capture_->running())
        return;
    // Every point is taken: measuring one again is the user's choice of point, never the key's.
    if (complete()) {
        view_->showStatus(nextText() +
                          QStringLiteral(" To measure a point again, select it on the map."));
        return;
    }
    CapturePoint(current_);
}

void Survey::selectPoint(GridPoint p) {
    if (!grid_.contains(p))
        return;
    selected_ = p;
    const auto& taken = grid_.at(p);
    const QString what =
        taken ? QStringLiteral("Selected %1 (%2 %3): \"Measure Selected\" measures it again.")
                    .arg(pointName(p), taken->text, unitText(taken->unit))
              : QStringLiteral("Selected %1: \"Measure Selected\" measures it.").arg(pointName(p));
    view_->showStatus(what + QLatin1Char(' ') + nextText());
    refresh();
}

void Survey::CapturePoint(GridPoint p) {
    if (capture_->running() || !grid_.contains(p))
        return;
    capture_->start(p);
    if (!capture_->running())
        return; // measured, or refused, at once
    view_->showStatus(QStringLiteral("Measuring %1 over %2 s...")
                          .arg(pointName(p))
                          .arg(grid_.settings.averagingSeconds));
    refresh();
}

void Survey::measured(GridPoint p, const QString& text, LightUnit unit) {
    const QDateTime now = QDateTime::currentDateTime();
    grid_.at(p) = Reading{text, unit, now.addMSecs(-now.time().msec())};
    if (!grid_.date.isValid())
        grid_.date = QDate::currentDate();
    unsaved_ = true;
    // A point measured out of turn leaves the walk where it was.
    if (p == current_ || grid_.at(current_))
        current_ = nextOpenPoint(grid_, walkIndex(p, grid_.settings.columns) + 1).value_or(p);
    if (selected_ == p)
        selected_.reset();
    QString done = pointName(p);
    done[0] = done[0].toUpper();
    view_->showStatus(QStringLiteral("%1: %2 %3. ").arg(done, text, unitText(unit)) + nextText());
    refresh();
    emit captured(p);
}

void Survey::refuse(const QString& text, const QString& detail) {
    view_->showStatus(text, true);
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

void Survey::refresh() {
    const bool idle = !capture_->running();
    view_->showSurvey(grid_, complete() ? std::nullopt : std::optional(current_), selected_);
    // The grid keeps its shape once a point is taken, or is being measured.
    form_->setReshapable(grid_.taken() == 0 && idle);
    CmdCapture_->setEnabled(idle);
    CmdMeasureSelected_->setEnabled(idle && selected_);
    if (view_->status().isEmpty())
        view_->showStatus(nextText());
}

bool Survey::mayDiscard() {
    return !unsaved_ || prompts_.confirm(this, platform::MessageIcon::Exclamation, kUnsavedQuestion,
                                         kSurveyCaption);
}

void Survey::New() {
    if (capture_->running() || !mayDiscard())
        return;
    grid_.clearReadings();
    grid_.date = QDate();
    filePath_.clear();
    unsaved_ = false;
    current_ = {};
    selected_.reset();
    view_->clearStatus();
    refresh();
}

void Survey::Open() {
    if (capture_->running() || !mayDiscard())
        return;
    const QString path = prompts_.openFile(this, platform::FileKind::Survey, kSurveyFilter);
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
    filePath_ = path;
    unsaved_ = false;
    current_ = nextOpenPoint(grid_, 0).value_or(GridPoint{});
    selected_.reset();
    form_->load();
    view_->clearStatus();
    refresh();
}

QString Survey::proposedFileName(const QString& extension) const {
    if (!filePath_.isEmpty())
        return extension == QLatin1String("tsv") ? QFileInfo(filePath_).fileName()
                                                 : platform::exportFileName(filePath_, extension);
    // Named after the area and the first point taken.
    QDateTime first;
    for (const auto& r : grid_.readings)
        if (r && r->taken.isValid() && (!first.isValid() || r->taken < first))
            first = r->taken;
    const QString area = grid_.settings.area.simplified();
    return platform::datedFileName(area.isEmpty() ? QStringLiteral("Survey") : area,
                                   first.isValid() ? first : QDateTime::currentDateTime(),
                                   extension);
}

void Survey::Save() {
    const QString path = prompts_.saveFile(this, platform::FileKind::Survey, kSurveyFilter,
                                           proposedFileName(QStringLiteral("tsv")));
    if (path.isEmpty())
        return;
    QString why;
    if (!writeWholeFile(path, surveyFileText(grid_), &why)) {
        prompts_.message(this, platform::MessageIcon::Critical,
                         QStringLiteral("The survey could not be saved."),
                         QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path), why));
        return;
    }
    filePath_ = path;
    unsaved_ = false;
    view_->showStatus(QStringLiteral("Saved in %1.").arg(QDir::toNativeSeparators(path)));
}

void Survey::Export() {
    const QString path = prompts_.saveFile(this, platform::FileKind::Csv, kCsvFilter,
                                           proposedFileName(QStringLiteral("csv")));
    if (path.isEmpty())
        return;
    QString why;
    if (!writeWholeFile(path, surveyCsv(grid_), &why)) {
        prompts_.message(this, platform::MessageIcon::Critical,
                         QStringLiteral("The points could not be exported."),
                         QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path), why));
        return;
    }
    view_->showStatus(QStringLiteral("Exported to %1.").arg(QDir::toNativeSeparators(path)));
}

void Survey::Print() {
    QPrinter printer(QPrinter::HighResolution);
    if (!prompts_.chooseReportPrinter(this, printer, proposedFileName(QStringLiteral("pdf"))))
        return;
    bool printed = false;
    {
        platform::BusyCursor busy;
        const QDate date = grid_.date.isValid() ? grid_.date : QDate::currentDate();
        printed = printReport(printer, grid_, date,
                              [this](const QSize& size) { return map().picture(size); });
    }
    if (!printed) {
        prompts_.message(this, platform::MessageIcon::Critical,
                         QStringLiteral("The report could not be printed."),
                         printer.outputFileName());
        return;
    }
    view_->showStatus(
        printer.outputFileName().isEmpty()
            ? QStringLiteral("The report went to the printer %1.").arg(printer.printerName())
            : QStringLiteral("The report is saved in %1.")
                  .arg(QDir::toNativeSeparators(printer.outputFileName())));
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
    capture_->stop();
    Q_EMIT closed();
    QWidget::closeEvent(event);
}

} // namespace survey
