#include "graphs/graph.h"

#include <QFileInfo>
#include <QVBoxLayout>

#include <qcustomplot.h>

#include <algorithm>
#include <cmath>
#include <limits>

namespace graphs {

namespace {

constexpr int kClickTolerance = 4; // pixels the mouse may move between press and release

// Sorted ends, and a visible span around a lone value: the plotting library refuses an empty
// range and would keep showing the previous one.
QCPRange sanitizedRange(double min, double max) {
    if (min > max)
        std::swap(min, max);
    if (min == max) {
        const double half = std::max(std::abs(min) * 0.05, 0.5);
        min -= half;
        max += half;
    }
    return QCPRange(min, max);
}

// The drawing surface. On screen it shows its buffered image; when the window is rendered
// onto anything else (a printout, a recording of the window) it draws the plot afresh as
// lines and text, so a printout is sharp at the printer's resolution.
class PlotSurface : public QCustomPlot {
public:
    using QCustomPlot::QCustomPlot;

protected:
    void paintEvent(QPaintEvent* event) override {
        {
            QCPPainter painter(this);
            if (!painter.isActive())
                return;
            if (painter.paintEngine()->type() != QPaintEngine::Raster) {
                painter.setMode(QCPPainter::pmVectorized);
                toPainter(&painter, width(), height());
                return;
            }
        }
        QCustomPlot::paintEvent(event);
    }
};

} // namespace

Graph::Graph(const GraphDesign& design, QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    plot_ = new PlotSurface(this);
    plot_->setObjectName(QStringLiteral("PlotSurface"));
    // Tick labels follow the program's rule: "." as the decimal point whatever the locale.
    plot_->setLocale(QLocale::c());
    layout->addWidget(plot_);

    plot_->xAxis->setObjectName(design.axis1Name);
    plot_->yAxis->setObjectName(design.axis2Name);
    plot_->xAxis->setLabel(design.axis1Caption);
    // Axis 1 counts readings: its ticks fall on whole numbers (1, 2, 5, 10 ... apart).
    auto counts = QSharedPointer<QCPAxisTickerFixed>::create();
    counts->setTickStep(1.0);
    counts->setScaleStrategy(QCPAxisTickerFixed::ssMultiples);
    plot_->xAxis->setTicker(counts);
    plot_->axisRect()->setBackground(QBrush(Qt::white));

    graph_ = plot_->addGraph();
    graph_->setName(design.plotName);
    graph_->setPen(QPen(QColor(0, 0, 192)));
    graph_->setAdaptiveSampling(true);

    // Under the plot line, and spanning the axis rect whatever the range of axis 1.
    band_ = new QCPItemRect(plot_);
    band_->setObjectName(QStringLiteral("Band"));
    band_->setLayer(QStringLiteral("grid"));
    band_->setClipToAxisRect(true);
    band_->setSelectable(false);
    band_->setPen(Qt::NoPen);
    band_->setBrush(QColor(67, 160, 71, 56));
    for (QCPItemPosition* corner : {band_->topLeft, band_->bottomRight}) {
        corner->setTypeX(QCPItemPosition::ptAxisRectRatio);
        corner->setTypeY(QCPItemPosition::ptPlotCoords);
    }
    band_->setVisible(false);

    for (int i = 0; i < design.cursorCount; ++i) {
        Cursor c;
        c.tracer = new QCPItemTracer(plot_);
        c.tracer->setObjectName(QStringLiteral("Cursor-%1").arg(i + 1));
        c.tracer->setStyle(QCPItemTracer::tsCrosshair);
        c.tracer->setPen(QPen(i == 0 ? QColor(200, 0, 0) : QColor(0, 140, 0)));
        c.tracer->setSelectable(false);
        c.tracer->position->setCoords(0.0, 0.0);
        c.tracer->setVisible(false);
        cursors_.push_back(c);
    }

    setColour(palette().color(QPalette::Window));
    setTrackMode(Normal);

    plot_->installEventFilter(this);
    connect(plot_, &QCustomPlot::mousePress, this, &Graph::onMousePress);
    connect(plot_, &QCustomPlot::mouseMove, this, &Graph::onMouseMove);
    connect(plot_, &QCustomPlot::mouseRelease, this, &Graph::onMouseRelease);
    connect(plot_->xAxis, qOverload<const QCPRange&>(&QCPAxis::rangeChanged), this,
            [this](const QCPRange& r) { emit xRangeChanged(r.lower, r.upper); });
}

Graph::~Graph() = default;

QCPAxis* Graph::axis(int axis) const {
    if (axis == 1)
        return plot_->xAxis;
    if (axis == 2)
        return plot_->yAxis;
    return nullptr;
}

Graph::Cursor* Graph::cursor(int cursor) {
    if (cursor < 1 || cursor > static_cast<int>(cursors_.size()))
        return nullptr;
    return &cursors_[static_cast<size_t>(cursor - 1)];
}

const Graph::Cursor* Graph::cursor(int cursor) const {
    return const_cast<Graph*>(this)->cursor(cursor);
}

void Graph::replotSoon() {
    plot_->replot(QCustomPlot::rpQueuedReplot);
}

void Graph::setTrackMode(int mode) {
    if (mode < Normal || mode > ZoomY)
        return;
    trackMode_ = mode;
    draggedCursor_ = 0;
    QCP::Interactions interactions;
    Qt::Orientations drag;
    QCP::SelectionRectMode rect = QCP::srmNone;
    QCPAxis* zoomX = nullptr;
    QCPAxis* zoomY = nullptr;
    Qt::CursorShape shape = Qt::ArrowCursor;
    switch (mode) {
    case CursorCoordinates:
        shape = Qt::CrossCursor;
        break;
    case PanXY:
        drag = Qt::Horizontal | Qt::Vertical;
        break;
    case PanX:
        drag = Qt::Horizontal;
        break;
    case PanY:
        drag = Qt::Vertical;
        break;
    case ZoomXY:
        zoomX = plot_->xAxis;
        zoomY = plot_->yAxis;
        break;
    case ZoomX:
        zoomX = plot_->xAxis;
        break;
    case ZoomY:
        zoomY = plot_->yAxis;
        break;
    default:
        break;
    }
    if (drag) {
        interactions |= QCP::iRangeDrag;
        shape = Qt::OpenHandCursor;
    }
    if (zoomX || zoomY) {
        rect = QCP::srmZoom;
        shape = Qt::CrossCursor;
    }
    plot_->setInteractions(interactions);
    plot_->axisRect()->setRangeDrag(drag);
    plot_->axisRect()->setRangeDragAxes(plot_->xAxis, plot_->yAxis);
    // The rectangle zoom only touches the axes listed here, which makes ZoomX and ZoomY.
    plot_->axisRect()->setRangeZoomAxes(zoomX, zoomY);
    plot_->setSelectionRectMode(rect);
    plot_->setCursor(shape);
}

double Graph::axisMin(int i) const {
    const QCPAxis* a = axis(i);
    return a ? a->range().lower : 0.0;
}

double Graph::axisMax(int i) const {
    const QCPAxis* a = axis(i);
    return a ? a->range().upper : 0.0;
}

void Graph::setAxisRange(int i, double min, double max) {
    QCPAxis* a = axis(i);
    if (!a || !std::isfinite(min) || !std::isfinite(max))
        return;
    a->setRange(sanitizedRange(min, max));
    replotSoon();
}

void Graph::setAxisCaption(int i, const QString& caption) {
    if (QCPAxis* a = axis(i)) {
        a->setLabel(caption);
        replotSoon();
    }
}

QString Graph::axisCaption(int i) const {
    const QCPAxis* a = axis(i);
    return a ? a->label() : QString();
}

double Graph::cursorX(int j) const {
    const Cursor* c = cursor(j);
    return c ? c->tracer->position->key() : 0.0;
}

double Graph::cursorY(int j) const {
    const Cursor* c = cursor(j);
    return c ? c->tracer->position->value() : 0.0;
}

void Graph::setCursorX(int j, double x) {
    if (Cursor* c = cursor(j)) {
        c->tracer->position->setCoords(x, c->tracer->position->value());
        replotSoon();
        emit cursorChanged(j, x, cursorY(j), false);
    }
}

void Graph::setCursorY(int j, double y) {
    if (Cursor* c = cursor(j)) {
        c->tracer->position->setCoords(c->tracer->position->key(), y);
        replotSoon();
        emit cursorChanged(j, cursorX(j), y, false);
    }
}

void Graph::setCursorVisible(int j, bool visible) {
    if (Cursor* c = cursor(j)) {
        c->tracer->setVisible(visible);
        if (!visible && draggedCursor_ == j)
            draggedCursor_ = 0;
        replotSoon();
    }
}

bool Graph::cursorVisible(int j) const {
    const Cursor* c = cursor(j);
    return c && c->tracer->visible();
}

void Graph::setCursorMode(int j, int mode) {
    if (Cursor* c = cursor(j))
        c->mode = mode;
}

int Graph::cursorMode(int j) const {
    const Cursor* c = cursor(j);
    return c ? c->mode : FreeCursor;
}

void Graph::plotYArray(std::span<const float> values, double firstX, double step) {
    const auto count = static_cast<qsizetype>(values.size());
    QCPGraphDataContainer& container = *graph_->data();
    // The points already laid out at these keys (the last snapshot of the same chart, shorter or
    // longer by the readings since) take their new values in place: a refill then costs no
    // allocation and no key to write for most of the series.
    qsizetype kept = 0;
    if (evenKeys_ && evenKeys_->firstX == firstX && evenKeys_->step == step && step > 0.0) {
        kept = std::min(evenKeys_->count, count);
        if (kept == 0)
            container.clear();
        else if (kept < evenKeys_->count)
            container.removeAfter(firstX + double(kept - 1) * step);
        auto out = container.begin();
        for (qsizetype k = 0; k < kept; ++k)
            (out++)->value = values[size_t(k)];
    } else {
        container.clear();
    }
    if (count > kept) {
        // The rest in one pass into a ready-sorted vector, which the container takes as is.
        QVector<QCPGraphData> rest(count - kept);
        for (qsizetype k = kept; k < count; ++k)
            rest[k - kept] = QCPGraphData(firstX + double(k) * step, values[size_t(k)]);
        container.add(rest, step > 0.0);
    }
    evenKeys_ = EvenKeys{firstX, step, count};
    chartLastX_ = values.empty() ? firstX - step : firstX + double(count - 1) * step;
    replotSoon();
}

void Graph::setChartLength(int points) {
    chartLength_ = std::max(points, 2);
}

void Graph::appendValue(double value) {
    evenKeys_.reset();
    chartLastX_ += 1.0;
    QCPGraphDataContainer& data = *graph_->data();
    data.add(QCPGraphData(chartLastX_, value));
    data.removeBefore(chartLastX_ - chartLength_ + 1);

    const double first = std::max(1.0, chartLastX_ - chartLength_ + 1);
    plot_->xAxis->setRange(first, first + chartLength_ - 1);
    double lo = std::numeric_limits<double>::infinity();
    double hi = -lo;
    for (auto it = data.constBegin(); it != data.constEnd(); ++it) {
        if (!std::isfinite(it->value))
            continue;
        lo = std::min(lo, it->value);
        hi = std::max(hi, it->value);
    }
    if (lo <= hi) {
        const double pad = (hi - lo) * 0.05;
        plot_->yAxis->setRange(sanitizedRange(lo - pad, hi + pad));
    }
    replotSoon();
}

QColor Graph::colour() const {
    return colour_;
}

void Graph::setColour(const QColor& colour) {
    colour_ = colour;
    plot_->setBackground(QBrush(colour));
    // At once, not queued: the printout renders the graph straight after the change.
    plot_->replot(QCustomPlot::rpImmediateRefresh);
}

void Graph::setBand(std::optional<std::pair<double, double>> values) {
    if (values && std::isfinite(values->first) && std::isfinite(values->second)) {
        const auto [low, high] = std::minmax(values->first, values->second);
        band_->topLeft->setCoords(0.0, high);
        band_->bottomRight->setCoords(1.0, low);
        band_->setVisible(true);
    } else {
        band_->setVisible(false);
    }
    replotSoon();
}

std::optional<std::pair<double, double>> Graph::band() const {
    if (!band_->visible())
        return std::nullopt;
    return std::pair(band_->bottomRight->coords().y(), band_->topLeft->coords().y());
}

bool Graph::saveImage(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("pdf"))
        return plot_->savePdf(path, plot_->width(), plot_->height());
    if (suffix.isEmpty())
        return plot_->savePng(path + QStringLiteral(".png"));
    return plot_->saveRastered(path, 0, 0, 1.0, suffix.toUpper().toLatin1().constData());
}

int Graph::plotPointCount() const {
    return graph_->data()->size();
}

QPointF Graph::plotPoint(int index) const {
    if (index < 0 || index >= graph_->data()->size())
        return {};
    const QCPGraphData& d = *(graph_->data()->constBegin() + index);
    return QPointF(d.key, d.value);
}

QPoint Graph::pixelOf(double x, double y) const {
    const QPointF p(plot_->xAxis->coordToPixel(x), plot_->yAxis->coordToPixel(y));
    return plot_->mapTo(this, p.toPoint());
}

QWidget* Graph::surface() const {
    return plot_;
}

bool Graph::eventFilter(QObject* watched, QEvent* event) {
    // Only the left button pans, zooms, drags a cursor or clicks; the right one is left to the
    // context menu, which would otherwise also start a zoom rectangle.
    if (watched == plot_) {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
            if (static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton)
                return true;
            break;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void Graph::onMousePress(QMouseEvent* event) {
    pressed_ = event->button() == Qt::LeftButton;
    pressPos_ = event->position();
    if (trackMode_ != CursorCoordinates || event->button() != Qt::LeftButton ||
        !plot_->axisRect()->rect().contains(event->position().toPoint()))
        return;
    // The visible cursor nearest to the press takes the drag.
    double best = std::numeric_limits<double>::infinity();
    draggedCursor_ = 0;
    for (int j = 1; j <= static_cast<int>(cursors_.size()); ++j) {
        if (!cursorVisible(j))
            continue;
        const QPointF at = cursor(j)->tracer->position->pixelPosition();
        const double d = QLineF(at, event->position()).length();
        if (d < best) {
            best = d;
            draggedCursor_ = j;
        }
    }
    if (draggedCursor_)
        dragCursorTo(event->position(), true);
}

void Graph::onMouseMove(QMouseEvent* event) {
    if (draggedCursor_ && (event->buttons() & Qt::LeftButton))
        dragCursorTo(event->position(), true);
}

void Graph::onMouseRelease(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    const bool wasPressed = std::exchange(pressed_, false);
    if (draggedCursor_) {
        dragCursorTo(event->position(), false);
        draggedCursor_ = 0;
    }
    if (wasPressed && (event->position() - pressPos_).manhattanLength() <= kClickTolerance)
        emit clicked();
}

void Graph::dragCursorTo(const QPointF& pixel, bool tracking) {
    Cursor* c = cursor(draggedCursor_);
    if (!c)
        return;
    const QCPRange xr = plot_->xAxis->range();
    const QCPRange yr = plot_->yAxis->range();
    // A cursor dragged past the plot area stops at its edge rather than vanishing.
    double x = std::clamp(plot_->xAxis->pixelToCoord(pixel.x()), xr.lower, xr.upper);
    double y = std::clamp(plot_->yAxis->pixelToCoord(pixel.y()), yr.lower, yr.upper);
    const QCPGraphDataContainer& data = *graph_->data();
    if (c->mode == SnapToPlot && !data.isEmpty()) {
        auto it = std::lower_bound(data.constBegin(), data.constEnd(), x,
                                   [](const QCPGraphData& d, double key) { return d.key < key; });
        if (it == data.constEnd() || (it != data.constBegin() && x - (it - 1)->key < it->key - x))
            --it;
        x = it->key;
        y = it->value;
    }
    c->tracer->position->setCoords(x, y);
    replotSoon();
    emit cursorChanged(draggedCursor_, x, y, tracking);
}

} // namespace graphs
