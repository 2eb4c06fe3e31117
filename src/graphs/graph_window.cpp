#include "graphs/graph_window.h"

#include "analysis/readings.h"
#include "graphs/csv_file.h"
#include "graphs/graph.h"
#include "graphs/num_edit.h"
#include "graphs/number_format.h"
#include "graphs/statistics_panel.h"
#include "link/exchange_queue.h"
#include "platform/placement.h"
#include "platform/prompts.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPicture>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QPushButton>
#include <QToolBar>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace graphs {

namespace {

constexpr int kFrameHeight = 168; // FrmGraphic's height at the foot of the window
constexpr int kGap = 8;
const QString kValueFormat = QStringLiteral("0.###");
constexpr double kValueStep = 0.001;

QLabel* label(const QString& name, const QString& text, QWidget* parent) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    return l;
}

QGroupBox* frame(const QString& name, const QString& caption, QWidget* parent) {
    auto* f = new QGroupBox(caption, parent);
    f->setObjectName(name);
    return f;
}

} // namespace

const QStringList& GraphWindow::trackModeEntries() {
    static const QStringList entries = {
        QStringLiteral("Normal"), QStringLiteral("Cursor Coordinates"),
        QStringLiteral("PanXY"),  QStringLiteral("PanX"),
        QStringLiteral("PanY"),   QStringLiteral("ZoomXY"),
        QStringLiteral("ZoomX"),  QStringLiteral("ZoomY"),
    };
    return entries;
}

const QStringList& GraphWindow::trackModeHelpTexts() {
    static const QStringList texts = {
        QStringLiteral("Normal mode"),
        QStringLiteral("Drag the cursor with your mouse to get X (Count) and Y (Value) position."),
        QStringLiteral("Click anywhere on the plot area and drag to pan the graph both "
                       "horizontally and vertically."),
        QStringLiteral("Click anywhere on the plot area and drag to pan the graph horizontally."),
        QStringLiteral("Click anywhere on the plot area and drag to pan the graph vertically."),
        QStringLiteral("Select a region on the graph to zoom both horizontally and vertically."),
        QStringLiteral("Select a region on the graph to zoom horizontally."),
        QStringLiteral("Select a region on the graph to zoom vertically."),
    };
    return texts;
}

GraphWindow::GraphWindow(Kind kind, platform::Prompts& prompts, meterlink::ExchangeQueue& exchanges,
                         std::function<ResetValues()> resetValues, QWidget* parent)
    : QWidget(parent, Qt::Window), kind_(kind), prompts_(prompts), exchanges_(exchanges),
      resetValues_(std::move(resetValues)) {
    setObjectName(kind == Kind::Plot ? QStringLiteral("Plot") : QStringLiteral("RealTimeGraph"));
    setWindowTitle(kind == Kind::Plot ? QStringLiteral("Plot") : QStringLiteral("Real Time Graph"));
    setAttribute(Qt::WA_DeleteOnClose);
    buildControls();
    resize(kNormalWidth, kNormalHeight);
    layoutControls();
    platform::placeAt(*this, QPoint(0, 0));

    combo1_->addItems(trackModeEntries());
    combo1_->setCurrentIndex(0);
    applyTrackMode(0);
    // A change of entry, and also choosing the current entry again (which re-centres the
    // cursor after a zoom); applying a mode twice does no harm.
    connect(combo1_, &QComboBox::currentIndexChanged, this, &GraphWindow::applyTrackMode);
    connect(combo1_, &QComboBox::activated, this, &GraphWindow::applyTrackMode);
}

GraphWindow::~GraphWindow() = default;

void GraphWindow::buildControls() {
    GraphDesign design;
    design.cursorCount = 2;
    graph_ = new Graph(design, this);
    graph_->setObjectName(QStringLiteral("Graph1"));
    graph_->move(kGraphNormalPos, kGraphNormalPos);
    connect(graph_, &Graph::cursorChanged, this,
            [this](int cursor, double x, double y, bool) { showCursorReadout(cursor, x, y); });

    saveImageAction_ = new QAction(QStringLiteral("Save Image\u2026"), this);
    saveImageAction_->setObjectName(QStringLiteral("SaveImage"));
    connect(saveImageAction_, &QAction::triggered, this, &GraphWindow::saveImage);
    graph_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(graph_, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        // The menu runs an event loop of its own, as a dialog does.
        exchanges_.request(objectName() + QStringLiteral(".menu"), this, [this, pos] {
            QMenu::exec({saveImageAction_}, graph_->mapToGlobal(pos), nullptr, graph_);
        });
    });

    frmGraphic_ = frame(QStringLiteral("FrmGraphic"), QStringLiteral("Graphic Plot"), this);
    auto* row = new QHBoxLayout(frmGraphic_);

    QGroupBox* range =
        frame(QStringLiteral("SSFrame4"), QStringLiteral("Graph Range"), frmGraphic_);
    auto* rangeGrid = new QGridLayout(range);
    rangeGrid->addWidget(label(QStringLiteral("Label6"), QStringLiteral("Min"), range), 0, 1);
    rangeGrid->addWidget(label(QStringLiteral("Label5"), QStringLiteral("Max"), range), 0, 2);
    rangeGrid->addWidget(label(QStringLiteral("Label3"), QStringLiteral("No.s"), range), 1, 0);
    lblUnit_ = label(QStringLiteral("LblUnit"), QStringLiteral("KW1"), range);
    rangeGrid->addWidget(lblUnit_, 2, 0);
    for (int i = 1; i <= 2; ++i) {
        auto* lo = new NumEdit(range);
        lo->setObjectName(QStringLiteral("AxisMin(%1)").arg(i));
        auto* hi = new NumEdit(range);
        hi->setObjectName(QStringLiteral("AxisMax(%1)").arg(i));
        lo->setMinimumWidth(96);
        hi->setMinimumWidth(96);
        rangeGrid->addWidget(lo, i, 1);
        rangeGrid->addWidget(hi, i, 2);
        axisMin_[static_cast<size_t>(i - 1)] = lo;
        axisMax_[static_cast<size_t>(i - 1)] = hi;
        connect(lo, &NumEdit::valueChanged, this, &GraphWindow::rangeFromEdits);
        connect(hi, &NumEdit::valueChanged, this, &GraphWindow::rangeFromEdits);
    }
    row->addWidget(range);

    QGroupBox* track = frame(QStringLiteral("SSFrame3"), QStringLiteral("Track Mode"), frmGraphic_);
    auto* trackColumn = new QVBoxLayout(track);
    combo1_ = new QComboBox(track);
    combo1_->setObjectName(QStringLiteral("Combo1"));
    txtDescription_ = new QPlainTextEdit(track);
    txtDescription_->setObjectName(QStringLiteral("txtDescription"));
    txtDescription_->setReadOnly(true);
    txtDescription_->setMinimumWidth(120);
    trackColumn->addWidget(combo1_);
    trackColumn->addWidget(txtDescription_);
    row->addWidget(track, 1);

    QGroupBox* info =
        frame(QStringLiteral("SSFrame2"), QStringLiteral("Cursor Information"), frmGraphic_);
    auto* infoGrid = new QGridLayout(info);
    infoGrid->addWidget(label(QStringLiteral("Label1"), QStringLiteral("No.s ( X ) :"), info), 0,
                        0);
    xPosition_ = label(QStringLiteral("XPosition"), QString(), info);
    xPosition_->setMinimumWidth(64);
    infoGrid->addWidget(xPosition_, 0, 1);
    infoGrid->addWidget(label(QStringLiteral("Label2"), QStringLiteral("Value ( Y ) :"), info), 1,
                        0);
    yPosition_ = label(QStringLiteral("YPosition"), QString(), info);
    infoGrid->addWidget(yPosition_, 1, 1);
    row->addWidget(info);

    auto* buttons = new QVBoxLayout;
    cmdReset_ = new QPushButton(QStringLiteral("Reset Scale"), frmGraphic_);
    cmdReset_->setObjectName(QStringLiteral("CmdReset"));
    cmdPrint_ = new QPushButton(QStringLiteral("Print Graph"), frmGraphic_);
    cmdPrint_->setObjectName(QStringLiteral("CmdPrint"));
    buttons->addWidget(cmdReset_);
    buttons->addWidget(cmdPrint_);
    // Under the buttons, in the room they leave: the graph keeps its place and the other
    // controls their widths.
    analysisBar_ = new QToolBar(frmGraphic_);
    analysisBar_->setObjectName(QStringLiteral("AnalysisBar"));
    analysisBar_->setIconSize(QSize(24, 24));
    statisticsAction_ = analysisBar_->addAction(QIcon(QStringLiteral(":/icons/statistics.svg")),
                                                QStringLiteral("Statistics"));
    statisticsAction_->setObjectName(QStringLiteral("Statistics"));
    statisticsAction_->setToolTip(QStringLiteral("Statistics of the readings in view"));
    statisticsAction_->setCheckable(true);
    connect(statisticsAction_, &QAction::toggled, this, &GraphWindow::showStatistics);
    exportAction_ = analysisBar_->addAction(QIcon(QStringLiteral(":/icons/export_csv.svg")),
                                            QStringLiteral("Export CSV\u2026"));
    exportAction_->setObjectName(QStringLiteral("ExportCsv"));
    exportAction_->setToolTip(exportAction_->text());
    exportAction_->setEnabled(false);
    connect(exportAction_, &QAction::triggered, this, [this] {
        exchanges_.request(objectName() + QStringLiteral(".ExportCsv"), this,
                           [this] { exportCsv(); });
    });
    buttons->addWidget(analysisBar_);
    buttons->addStretch();
    row->addLayout(buttons);
    connect(cmdReset_, &QPushButton::clicked, this, &GraphWindow::resetScale);

    panel_ = new StatisticsPanel(this);
    panel_->hide();
    connect(graph_, &Graph::xRangeChanged, this, &GraphWindow::panelDue);
    connect(panel_, &StatisticsPanel::bandChanged, this, &GraphWindow::drawBand);
    connect(cmdPrint_, &QPushButton::clicked, this, [this] {
        exchanges_.request(objectName() + QStringLiteral(".CmdPrint"), this,
                           [this] { printGraph(); });
    });
}

void GraphWindow::layoutControls() {
    // The controls keep to the foot of the window and the graph takes the rest, so a larger
    // window gives a larger graph. The print look places things itself.
    if (printing_)
        return;
    // The statistics panel takes a column at the right, the height of the window.
    const int room = panelRoom();
    const int frameTop = std::max(height() - kFrameHeight - kGap, 2 * kGap + 40);
    frmGraphic_->setGeometry(kGap, frameTop, std::max(width() - 2 * kGap - room, 100),
                             kFrameHeight);
    graph_->resize(std::max(width() - graph_->x() - kGap - room, 40),
                   std::max(frameTop - kGap - graph_->y(), 40));
    panel_->setGeometry(width() - kGap - StatisticsPanel::kWidth, kGap, StatisticsPanel::kWidth,
                        height() - 2 * kGap);
}

int GraphWindow::panelRoom() const {
    return statisticsAction_->isChecked() ? StatisticsPanel::kWidth + kGap : 0;
}

void GraphWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layoutControls();
}

void GraphWindow::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    emit closed();
}

NumEdit* GraphWindow::AxisMin(int i) const {
    return (i == 1 || i == 2) ? axisMin_[static_cast<size_t>(i - 1)] : nullptr;
}

NumEdit* GraphWindow::AxisMax(int i) const {
    return (i == 1 || i == 2) ? axisMax_[static_cast<size_t>(i - 1)] : nullptr;
}

QString GraphWindow::readoutFormat() const {
    return kind_ == Kind::Plot ? QStringLiteral("0.0") : QStringLiteral("0.000");
}

void GraphWindow::rangeFromEdits() {
    graph_->setAxisRange(1, AxisMin(1)->value(), AxisMax(1)->value());
    graph_->setAxisRange(2, AxisMin(2)->value(), AxisMax(2)->value());
}

void GraphWindow::fill(std::span<const float> values, float count, float min, float max,
                       const QString& unit, std::shared_ptr<const analysis::Readings> readings) {
    // An open window is refilled where the user put it rather than closed and reopened; it
    // comes to the front either way.
    showAndRaise();
    // Before the range changes, so that the panel works on the new readings.
    readings_ = std::move(readings);
    exportAction_->setEnabled(readings_ != nullptr);
    AxisMax(1)->setValue(count);
    AxisMin(1)->setValue(1.0);
    AxisMax(2)->setValue(max);
    AxisMin(2)->setValue(min);
    for (NumEdit* e : {AxisMax(2), AxisMin(2)}) {
        e->setDisplayFormat(kValueFormat);
        e->setArrowStep(kValueStep);
    }
    graph_->setAxisRange(2, min, max);
    graph_->setAxisRange(1, 1.0, count);
    graph_->plotYArray(values, 1.0, 1.0);
    graph_->setAxisCaption(1, unit);
    lblUnit_->setText(unit);
    // The range may be the one already shown, which the graph does not announce again.
    panelDue();
}

void GraphWindow::showAndRaise() {
    // A window being shown comes up in front anyway; one already open is brought forward.
    if (isVisible())
        raise();
    else
        show();
}

void GraphWindow::applyTrackMode(int entry) {
    if (entry < 0 || entry >= trackModeEntries().size())
        return;
    appliedEntry_ = entry;
    graph_->setTrackMode(entry + 1);
    txtDescription_->setPlainText(trackModeHelpTexts()[entry]);
    if (entry + 1 == Graph::CursorCoordinates) {
        graph_->setCursorMode(1, Graph::SnapToPlot);
        graph_->setCursorMode(2, Graph::SnapToPlot);
        graph_->setCursorVisible(1, true);
        graph_->setCursorVisible(2, false);
        graph_->setCursorX(1, (graph_->axisMin(1) + graph_->axisMax(1)) / 2.0);
        graph_->setCursorY(1, (graph_->axisMin(2) + graph_->axisMax(2)) / 2.0);
    } else {
        graph_->setCursorVisible(1, false);
        graph_->setCursorVisible(2, false);
    }
}

void GraphWindow::showCursorReadout(int cursor, double x, double y) {
    if (cursor != 1)
        return;
    xPosition_->setText(plainNumber(x));
    yPosition_->setText(formatNumber(y, readoutFormat()));
}

void GraphWindow::resetScale() {
    const ResetValues r = resetValues_ ? resetValues_() : ResetValues{};
    AxisMax(1)->setValue(r.last);
    AxisMin(1)->setValue(1.0);
    AxisMax(2)->setValue(r.max);
    AxisMin(2)->setValue(r.min);
    graph_->setAxisRange(2, r.min, r.max);
    graph_->setAxisRange(1, 1.0, r.last);
}

void GraphWindow::showStatistics(bool shown) {
    if (statisticsAction_->isChecked() != shown) {
        statisticsAction_->setChecked(shown); // comes back here through toggled
        return;
    }
    // The graph keeps its size: the window grows by the panel, unless it fills the screen. A
    // window the screen held narrower gives its normal width back when the panel goes.
    if (!isMaximized() && !isFullScreen())
        resize(
            std::max(width() + (shown ? 1 : -1) * (StatisticsPanel::kWidth + kGap), kNormalWidth),
            height());
    layoutControls();
    panel_->setVisible(shown);
    if (shown)
        showRangeInPanel();
    drawBand();
}

void GraphWindow::panelDue() {
    if (!panel_->isVisible() || panelDue_)
        return;
    // Before the replot the range change asked for, so both show in the same frame.
    panelDue_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            panelDue_ = false;
            showRangeInPanel();
        },
        Qt::QueuedConnection);
}

void GraphWindow::showRangeInPanel() {
    if (!panel_->isVisible())
        return;
    const double min = graph_->axisMin(1);
    const double max = graph_->axisMax(1);
    const qsizetype n = readings_ ? readings_->size() : 0;
    // Reading number k (from 1) is row k - 1.
    const qsizetype from = std::clamp<qsizetype>(qsizetype(std::ceil(min)) - 1, 0, n);
    const qsizetype to = std::clamp<qsizetype>(qsizetype(std::floor(max)), from, n);
    const QString caption =
        to > from ? QStringLiteral("Readings %1 to %2 of %3 in view").arg(from + 1).arg(to).arg(n)
                  : QStringLiteral("No reading in view");
    panel_->showReadings(readings_, from, to, caption);
}

void GraphWindow::drawBand() {
    graph_->setBand(statisticsAction_->isChecked() ? panel_->bandLimits() : std::nullopt);
}

QString GraphWindow::proposedFileName(const QString& extension) const {
    // The first reading's time, as the export dates it; now for a window without readings.
    const std::optional<QDateTime> first =
        readings_ ? analysis::firstRowTime(*readings_) : std::nullopt;
    return platform::datedFileName(windowTitle(), first.value_or(QDateTime::currentDateTime()),
                                   extension);
}

void GraphWindow::exportCsv() {
    if (!readings_)
        return;
    const std::shared_ptr<const analysis::Readings> readings = readings_;
    graphs::exportCsv(prompts_, this, proposedFileName(QStringLiteral("csv")),
                      readings->datesFromFileTime(), readings->unit(),
                      [readings] { return analysis::exportRows(*readings); });
}

void GraphWindow::setPrintLook(bool printing) {
    if (printing) {
        printing_ = true;
        setAutoFillBackground(true);
        QPalette white = palette();
        white.setColor(QPalette::Window, Qt::white);
        setPalette(white);
        savedColour_ = graph_->colour();
        graph_->setColour(Qt::white);
        frmGraphic_->hide();
        panel_->hide();
        resize(kPrintWidth, height());
        graph_->move(kGraphPrintPos, kGraphPrintPos);
    } else {
        resize(kNormalWidth + panelRoom(), kNormalHeight);
        graph_->move(kGraphNormalPos, kGraphNormalPos);
        setPalette(QPalette());
        setAutoFillBackground(false);
        frmGraphic_->show();
        panel_->setVisible(statisticsAction_->isChecked());
        graph_->setColour(savedColour_);
        printing_ = false;
        layoutControls();
    }
}

void GraphWindow::printGraph() {
    QPrinter printer(QPrinter::HighResolution);
    if (!prompts_.chooseReportPrinter(this, printer, proposedFileName(QStringLiteral("pdf"))))
        return;
    setPrintLook(true);
    emit aboutToPrint();
    // The window's image is recorded as drawing commands rather than rendered straight onto
    // the printer, which would turn the whole window into one huge bitmap at printer
    // resolution.
    QPicture image;
    QPainter recorder(&image);
    render(&recorder, QPoint(), QRegion(), DrawWindowBackground | DrawChildren);
    recorder.end();
    QPainter painter;
    if (painter.begin(&printer)) {
        // At its size on screen, made smaller only if the page is narrower.
        const QRectF page = printer.pageLayout().paintRectPixels(printer.resolution());
        const double screenDpi = std::max(logicalDpiX(), 1);
        double scale = printer.resolution() / screenDpi;
        scale = std::min({scale, page.width() / width(), page.height() / height()});
        painter.scale(scale, scale);
        painter.drawPicture(0, 0, image);
        painter.end();
    }
    // Back to the normal look even when the printer failed: a window stuck without its
    // controls would be worse than the lost printout.
    setPrintLook(false);
}

void GraphWindow::saveImage() {
    const QString path =
        prompts_.saveFile(this, platform::FileKind::Picture,
                          QStringLiteral("PNG image (*.png);;PDF document (*.pdf)"),
                          proposedFileName(QStringLiteral("png")));
    if (path.isEmpty())
        return;
    if (!graph_->saveImage(path))
        prompts_.message(this, platform::MessageIcon::Critical,
                         QStringLiteral("The image could not be saved."), path);
}

} // namespace graphs
