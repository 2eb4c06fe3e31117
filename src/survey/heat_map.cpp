#include "survey/heat_map.h"

#include <QMouseEvent>
#include <QVBoxLayout>

#include <qcustomplot.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <utility>
#include <vector>

namespace survey {

namespace {

constexpr int kClickTolerance = 4; // pixels the mouse may move between press and release
constexpr double kLabelPointSize = 8.0;
constexpr double kLabelMargin = 2.0; // pixels around a cell's text

// Dark blue to yellow, getting lighter all the way: the order of the colours reads the same in
// grey print and to colour-blind eyes.
QCPColorGradient readableGradient() {
    QCPColorGradient g;
    g.setColorStops({{0.0, QColor(0x44, 0x01, 0x54)},
                     {0.25, QColor(0x3b, 0x52, 0x8b)},
                     {0.5, QColor(0x21, 0x91, 0x8c)},
                     {0.75, QColor(0x5e, 0xc9, 0x62)},
                     {1.0, QColor(0xfd, 0xe7, 0x25)}});
    g.setNanHandling(QCPColorGradient::nhNanColor);
    g.setNanColor(QColor(0xe0, 0xe0, 0xe0));
    return g;
}

QCPRange valueRange(double lo, double hi) {
    if (lo > hi)
        return QCPRange(0.0, 1.0);
    if (lo == hi) {
        const double half = std::max(std::abs(lo) * 0.05, 0.5);
        return QCPRange(lo - half, hi + half);
    }
    return QCPRange(lo, hi);
}

// The readings written into their cells, centred, dark on light colours and light on dark ones;
// all of them or none, whichever the cells' size allows at the time of drawing.
class CellLabels : public QCPLayerable {
public:
    struct Label {
        GridPoint point;
        QString text;
        double value;
    };
    explicit CellLabels(QCustomPlot* plot) : QCPLayerable(plot) {}

    std::vector<Label> labels;
    QCPRange range;
    QCPColorGradient gradient;
    int drawn = 0;

protected:
    void applyDefaultAntialiasingHint(QCPPainter* painter) const override {
        applyAntialiasingHint(painter, true, QCP::aeOther);
    }
    QRect clipRect() const override { return mParentPlot->axisRect()->rect(); }
    void draw(QCPPainter* painter) override {
        drawn = 0;
        if (labels.empty())
            return;
        const QCPAxis* x = mParentPlot->xAxis;
        const QCPAxis* y = mParentPlot->yAxis;
        const double cellWidth = std::abs(x->coordToPixel(2.0) - x->coordToPixel(1.0));
        const double cellHeight = std::abs(y->coordToPixel(2.0) - y->coordToPixel(1.0));
        QFont font = mParentPlot->font();
        font.setPointSizeF(kLabelPointSize);
        painter->setFont(font);
        const QFontMetricsF metrics(font, painter->device());
        double widest = 0.0;
        for (const Label& l : labels)
            widest = std::max(widest, metrics.horizontalAdvance(l.text));
        if (widest + 2 * kLabelMargin > cellWidth || metrics.height() + kLabelMargin > cellHeight)
            return;
        for (const Label& l : labels) {
            const QColor fill = QColor::fromRgb(gradient.color(l.value, range));
            painter->setPen(fill.lightnessF() > 0.5 ? Qt::black : Qt::white);
            const QPointF centre(x->coordToPixel(l.point.column + 1),
                                 y->coordToPixel(l.point.row + 1));
            const QRectF cell(centre.x() - cellWidth / 2, centre.y() - cellHeight / 2, cellWidth,
                              cellHeight);
            painter->drawText(cell, Qt::AlignCenter, l.text);
            ++drawn;
        }
    }
};

} // namespace

class MapSurface : public QCustomPlot {
public:
    explicit MapSurface(QWidget* parent) : QCustomPlot(parent) {
        setLocale(QLocale::c());
        xAxis->setLabel(QStringLiteral("Column"));
        yAxis->setLabel(QStringLiteral("Row"));
        yAxis->setRangeReversed(true);
        for (QCPAxis* axis : {xAxis, yAxis}) {
            auto whole = QSharedPointer<QCPAxisTickerFixed>::create();
            whole->setTickStep(1.0);
            whole->setScaleStrategy(QCPAxisTickerFixed::ssMultiples);
            axis->setTicker(whole);
            axis->grid()->setVisible(false);
        }
        map = new QCPColorMap(xAxis, yAxis);
        map->setInterpolate(false);
        scale = new QCPColorScale(this);
        plotLayout()->addElement(0, 1, scale);
        map->setColorScale(scale);
        // The scale hands its gradient to the map.
        scale->setGradient(readableGradient());
        // The scale as tall as the map.
        auto* margins = new QCPMarginGroup(this);
        axisRect()->setMarginGroup(QCP::msBottom | QCP::msTop, margins);
        scale->setMarginGroup(QCP::msBottom | QCP::msTop, margins);

        labels = new CellLabels(this);
        labels->gradient = map->gradient();
        marker = frame(QPen(QColor(0xe5, 0x39, 0x35), 3.0));
        // Dashed as well as blue, so that it is told from the current point's frame in any
        // colours.
        selection = frame(QPen(QColor(0x1e, 0x88, 0xe5), 3.0, Qt::DashLine));
    }

    QCPItemRect* frame(const QPen& pen) {
        auto* item = new QCPItemRect(this);
        item->setPen(pen);
        item->setBrush(Qt::NoBrush);
        item->setVisible(false);
        return item;
    }

    static void showFrame(QCPItemRect* item, std::optional<GridPoint> p) {
        item->setVisible(p.has_value());
        if (p) {
            item->topLeft->setCoords(p->column + 0.5, p->row + 0.5);
            item->bottomRight->setCoords(p->column + 1.5, p->row + 1.5);
        }
    }

    static std::optional<GridPoint> framed(const QCPItemRect* item) {
        if (!item->visible())
            return std::nullopt;
        const QPointF at = item->topLeft->coords();
        return GridPoint{int(std::lround(at.y() - 0.5)), int(std::lround(at.x() - 0.5))};
    }

    QPicture picture(const QSize& size) {
        const bool markerShown = marker->visible();
        const bool selectionShown = selection->visible();
        marker->setVisible(false);
        selection->setVisible(false);
        QPicture picture;
        {
            QCPPainter painter(&picture);
            toPainter(&painter, size.width(), size.height());
        }
        marker->setVisible(markerShown);
        selection->setVisible(selectionShown);
        // Drawing at another size laid the plot out for it: back to the screen's.
        replot(rpQueuedReplot);
        return picture;
    }

    QCPColorMap* map;
    QCPColorScale* scale;
    CellLabels* labels;
    QCPItemRect* marker;
    QCPItemRect* selection;
};

HeatMap::HeatMap(QWidget* parent) : QWidget(parent), plot_(new MapSurface(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    plot_->setObjectName(QStringLiteral("MapSurface"));
    layout->addWidget(plot_);

    auto pressedAt = std::make_shared<std::optional<QPointF>>();
    connect(plot_, &QCustomPlot::mousePress, this, [pressedAt](QMouseEvent* event) {
        *pressedAt =
            event->button() == Qt::LeftButton ? std::optional(event->position()) : std::nullopt;
    });
    connect(plot_, &QCustomPlot::mouseRelease, this, [this, pressedAt](QMouseEvent* event) {
        const std::optional<QPointF> from = std::exchange(*pressedAt, std::nullopt);
        if (event->button() != Qt::LeftButton || !from ||
            (event->position() - *from).manhattanLength() > kClickTolerance ||
            !plot_->axisRect()->rect().contains(event->position().toPoint()))
            return;
        const GridPoint p{int(std::lround(plot_->yAxis->pixelToCoord(event->position().y()))) - 1,
                          int(std::lround(plot_->xAxis->pixelToCoord(event->position().x()))) - 1};
        const QCPColorMapData* data = plot_->map->data();
        if (p.row >= 0 && p.column >= 0 && p.row < data->valueSize() / 2 &&
            p.column < data->keySize() / 2)
            emit pointClicked(p);
    });
}

HeatMap::~HeatMap() = default;

void HeatMap::showGrid(const SurveyGrid& grid, std::optional<GridPoint> current,
                       std::optional<GridPoint> selected) {
    const int rows = grid.settings.rows;
    const int columns = grid.settings.columns;
    // Two by two cells a point: a colour map of one column or row would have no width.
    QCPColorMapData* data = plot_->map->data();
    data->setSize(2 * columns, 2 * rows);
    data->setRange(QCPRange(0.75, columns + 0.25), QCPRange(0.75, rows + 0.25));
    data->fill(std::numeric_limits<double>::quiet_NaN());
    double lo = std::numeric_limits<double>::infinity();
    double hi = -lo;
    std::vector<CellLabels::Label>& labels = plot_->labels->labels;
    labels.clear();
    for (int row = 0; row < rows; ++row)
        for (int column = 0; column < columns; ++column) {
            const auto& r = grid.at({row, column});
            if (!r)
                continue;
            const double v = readingNumber(r->text);
            lo = std::min(lo, v);
            hi = std::max(hi, v);
            for (int k = 0; k < 4; ++k)
                data->setCell(2 * column + k % 2, 2 * row + k / 2, v);
            labels.push_back({{row, column}, r->text, v});
        }
    const QCPRange range = valueRange(lo, hi);
    plot_->map->setDataRange(range);
    plot_->labels->range = range;
    const auto unit = grid.unit();
    plot_->scale->axis()->setLabel(unit ? unitText(*unit) : QString());
    plot_->xAxis->setRange(0.5, columns + 0.5);
    plot_->yAxis->setRange(0.5, rows + 0.5);
    MapSurface::showFrame(plot_->marker, current);
    MapSurface::showFrame(plot_->selection, selected);
    plot_->replot(QCustomPlot::rpQueuedReplot);
}

QPicture HeatMap::picture(const QSize& size) {
    return plot_->picture(size);
}

QPoint HeatMap::pixelOf(GridPoint p) const {
    const QPointF at(plot_->xAxis->coordToPixel(p.column + 1),
                     plot_->yAxis->coordToPixel(p.row + 1));
    return plot_->mapTo(this, at.toPoint());
}

int HeatMap::labelsDrawn() const {
    return plot_->labels->drawn;
}

std::optional<GridPoint> HeatMap::framedCurrent() const {
    return MapSurface::framed(plot_->marker);
}

std::optional<GridPoint> HeatMap::framedSelection() const {
    return MapSurface::framed(plot_->selection);
}

} // namespace survey
